#include "framework/widget/Dialog.h"

#include "framework/font/SysFont.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/TextLayout.h"
#include "framework/widget/DialogButton.h"
#include "framework/widget/DialogListener.h"
#include "framework/widget/WidgetHost.h"
#include "framework/widget/WidgetManager.h"

#include <algorithm>

namespace Zorbel {

namespace {

constexpr int32_t kDefaultButtonHeight = 24;
// How far a dragged dialog may leave the screen.
constexpr int32_t kDragMargin = 8;
constexpr int32_t kCursorArrow = 0;
constexpr int32_t kCursorDragging = 2;

std::string StringOr(WidgetHost* host, const char* id, const char* fallback) {
    return host != nullptr ? host->GetString(id) : std::string(fallback);
}

} // namespace

Dialog::Dialog(WidgetHost* host, Image* componentImage, Image* buttonComponentImage, int32_t id, bool isModal,
               const std::string& header, const std::string& lines, const std::string& footer,
               int32_t buttonMode)
    : mHeader(header), mFooter(footer), mLines(lines),
      mButtonHeight(buttonComponentImage != nullptr ? buttonComponentImage->GetHeight()
                                                    : kDefaultButtonHeight),
      mHost(host), mDialogListener(host != nullptr ? host->GetDialogListener() : nullptr),
      mComponentImage(componentImage), mButtonMode(buttonMode), mId(id), mIsModal(isModal) {
    mHasTransparencies = true;
    mHasAlpha = true;
    mPriority = 1;

    // Without a button picture the buttons have the grey built-in look, which wants black labels.
    Color buttonText = buttonComponentImage != nullptr ? Color(255, 255, 255) : Color(0, 0, 0);
    mColors = {Color(255, 255, 255), Color(255, 255, 0), Color(255, 255, 255), buttonText,
               buttonText,           Color(80, 80, 80),  Color(255, 255, 255)};

    std::string yesLabel;
    std::string noLabel;
    switch (buttonMode) {
        case BUTTONS_YES_NO:
            yesLabel = "YES";
            noLabel = "NO";
            break;
        case BUTTONS_OK_CANCEL:
            yesLabel = StringOr(host, "DIALOG_BUTTON_OK", "OK");
            noLabel = StringOr(host, "DIALOG_BUTTON_CANCEL", "CANCEL");
            break;
        case BUTTONS_FOOTER:
            yesLabel = footer;
            break;
        default:
            return;
    }
    mYesButton = std::make_unique<DialogButton>(buttonComponentImage, ID_YES, this);
    mYesButton->SetLabel(yesLabel);
    if (buttonMode != BUTTONS_FOOTER) {
        mNoButton = std::make_unique<DialogButton>(buttonComponentImage, ID_NO, this);
        mNoButton->SetLabel(noLabel);
    }
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (button == nullptr) continue;
        button->SetColor(ButtonWidget::COLOR_LABEL, buttonText);
        button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, buttonText);
    }
}

Dialog::~Dialog() {
    // A wait still running further up the stack learns the result from here, not from freed memory.
    for (Waiter* waiter = mWaiter; waiter != nullptr; waiter = waiter->outer) {
        waiter->deleted = true;
        waiter->result = mResult;
    }
}

bool Dialog::IsModal() {
    return mIsModal;
}

// The buttons live beside the dialog in the manager, directly above it, so that they take input of
// their own; their rectangles are therefore in screen coordinates.
void Dialog::AttachedToManager(WidgetManager* manager) {
    Widget::AttachedToManager(manager);
    if (manager == nullptr) return;
    if (mYesButton != nullptr) manager->AddChild(mYesButton.get());
    if (mNoButton != nullptr) manager->AddChild(mNoButton.get());
}

void Dialog::DetachedFromManager(WidgetManager* manager) {
    Widget::DetachedFromManager(manager);
    if (manager == nullptr) return;
    if (mYesButton != nullptr) manager->RemoveChild(mYesButton.get());
    if (mNoButton != nullptr) manager->RemoveChild(mNoButton.get());
}

void Dialog::ZOrderChanged() {
    if (mManager == nullptr) return;
    // Each button lands directly above the dialog, so the no button goes first.
    if (mNoButton != nullptr) mManager->PlaceAbove(mNoButton.get(), this);
    if (mYesButton != nullptr) mManager->PlaceAbove(mYesButton.get(), this);
}

void Dialog::SetColor(int32_t index, const Color& color) {
    Widget::SetColor(index, color);
    int32_t buttonIndex = index == COLOR_BUTTON_TEXT          ? ButtonWidget::COLOR_LABEL
                          : index == COLOR_BUTTON_TEXT_HILITE ? ButtonWidget::COLOR_LABEL_HILITE
                                                              : -1;
    if (buttonIndex < 0) return;
    if (mYesButton != nullptr) mYesButton->SetColor(buttonIndex, color);
    if (mNoButton != nullptr) mNoButton->SetColor(buttonIndex, color);
}

// Fonts ---------------------------------------------------------------------------------------------------

void Dialog::SetButtonFont(Font* font) {
    if (mYesButton != nullptr) mYesButton->SetFont(font);
    if (mNoButton != nullptr) mNoButton->SetFont(font);
}

void Dialog::SetHeaderFont(Font* font) {
    mHeaderFont = font != nullptr ? font->Clone() : nullptr;
}
void Dialog::SetLinesFont(Font* font) {
    mLinesFont = font != nullptr ? font->Clone() : nullptr;
}

void Dialog::EnsureFonts() {
    FontEngine* engine = mHost != nullptr ? mHost->GetFontEngine() : nullptr;
    if (engine == nullptr) return;
    if (mHeaderFont == nullptr)
        mHeaderFont = std::make_unique<SysFont>(engine, "SansSerif", 14, 0, false, false, false);
    if (mLinesFont == nullptr)
        mLinesFont = std::make_unique<SysFont>(engine, "SansSerif", 12, 0, false, false, false);
}

Font* Dialog::GetHeaderFont() {
    EnsureFonts();
    return mHeaderFont.get();
}

Font* Dialog::GetLinesFont() {
    EnsureFonts();
    return mLinesFont.get();
}

// Layout --------------------------------------------------------------------------------------------------

int32_t Dialog::LinesWidth(int32_t width) const {
    return width - mContentInsets.left - mContentInsets.right - mBackgroundInsets.left -
           mBackgroundInsets.right - 4;
}

void Dialog::Resize(int32_t x, int32_t y, int32_t width, int32_t height) {
    Widget::Resize(x, y, width, height);
    LayoutButtons();
}

void Dialog::LayoutButtons() {
    if (mYesButton == nullptr) return;
    int32_t buttonY = mY + mHeight - mContentInsets.bottom - mBackgroundInsets.bottom - mButtonHeight;
    int32_t left = mX + mBackgroundInsets.left + mContentInsets.left;
    int32_t span = mWidth - mContentInsets.right - mBackgroundInsets.right - mBackgroundInsets.left -
                   mContentInsets.left;
    if (mNoButton != nullptr) {
        int32_t buttonWidth = (span - mButtonSpacing - 2 * mButtonSidePadding) / 2;
        int32_t yesX = left + mButtonSidePadding;
        mYesButton->Resize(yesX, buttonY, buttonWidth, mButtonHeight);
        mNoButton->Resize(yesX + buttonWidth + mButtonSpacing, buttonY, buttonWidth, mButtonHeight);
    } else {
        mYesButton->Resize(left, buttonY, span, mButtonHeight);
    }
}

int32_t Dialog::GetPreferredHeight(int32_t width) {
    EnsureFonts();
    int32_t height =
        mContentInsets.top + mContentInsets.bottom + mBackgroundInsets.top + mBackgroundInsets.bottom;
    bool counted = false;
    if (!mHeader.empty() && mHeaderFont != nullptr) {
        height += mHeaderFont->Height() - mHeaderFont->AscentPadding();
        counted = true;
    }
    if (!mLines.empty() && mLinesFont != nullptr) {
        if (counted) height += mSpaceAfterHeader;
        height += TextLayout::MeasureWordWrappedHeight(mLinesFont.get(), LinesWidth(width), mLines,
                                                       mLinesFont->LineSpacing() + mExtraLineSpacing);
        counted = true;
    }
    if (!mFooter.empty() && mButtonMode != BUTTONS_FOOTER && mHeaderFont != nullptr) {
        if (counted) height += 8;
        height += mHeaderFont->LineSpacing();
        counted = true;
    }
    if (mYesButton != nullptr) {
        if (counted) height += 8;
        height += 8 + mButtonHeight;
    }
    return height;
}

// Drawing -----------------------------------------------------------------------------------------------

void Dialog::Draw(Graphics* g) {
    EnsureFonts();
    if (mComponentImage != nullptr) {
        g->PaintBox(Rect(mBackgroundInsets.left, mBackgroundInsets.top,
                         mWidth - mBackgroundInsets.left - mBackgroundInsets.right,
                         mHeight - mBackgroundInsets.top - mBackgroundInsets.bottom),
                    mComponentImage);
    } else {
        g->SetPaintColor(GetColor(COLOR_OUTLINE));
        g->PaintFrame(12, 12, mWidth - 25, mHeight - 25);
        g->SetPaintColor(GetColor(COLOR_BKG));
        g->PaintRect(13, 13, mWidth - 26, mHeight - 26);
        g->SetPaintColor(Color(0, 0, 0, 128));
        g->PaintRect(mWidth - 12, 24, 12, mHeight - 36);
        g->PaintRect(24, mHeight - 12, mWidth - 24, 12);
    }
    if (mHeaderFont == nullptr || mLinesFont == nullptr) return;

    int32_t y = mBackgroundInsets.top + mContentInsets.top;
    if (!mHeader.empty()) {
        y += mHeaderFont->Ascent() - mHeaderFont->AscentPadding();
        g->SetTextFont(mHeaderFont.get());
        g->SetPaintColor(GetColor(COLOR_HEADER));
        DrawCenteredLine(g, y, mHeader);
        y += mHeaderFont->Height() - mHeaderFont->Ascent() + mSpaceAfterHeader;
    }
    g->SetTextFont(mLinesFont.get());
    g->SetPaintColor(GetColor(COLOR_LINES));
    int32_t used =
        DrawWordWrapped(g, Rect(mBackgroundInsets.left + mContentInsets.left + 2, y, LinesWidth(mWidth), 0),
                        mLines, mLinesFont->LineSpacing() + mExtraLineSpacing, mTextJustification);
    if (!mFooter.empty() && mButtonMode != BUTTONS_FOOTER) {
        g->SetTextFont(mHeaderFont.get());
        g->SetPaintColor(GetColor(COLOR_FOOTER));
        DrawCenteredLine(g, y + used + 8 + mHeaderFont->LineSpacing(), mFooter);
    }
}

// Dragging ----------------------------------------------------------------------------------------------

void Dialog::MouseDown(int32_t x, int32_t y, int32_t clickCount) {
    if (clickCount == 1) {
        if (mHost != nullptr) mHost->SetCursor(kCursorDragging);
        mDragging = true;
        mDragGrabX = x;
        mDragGrabY = y;
    }
    Widget::MouseDown(x, y, clickCount);
}

void Dialog::MouseDrag(int32_t x, int32_t y) {
    if (!mDragging || mManager == nullptr) return;
    // The dialog may leave the screen by at most the margin on every side.
    int32_t left =
        std::max(-kDragMargin, std::min(mX + x - mDragGrabX, mManager->GetWidth() - mWidth + kDragMargin));
    int32_t top =
        std::max(-kDragMargin, std::min(mY + y - mDragGrabY, mManager->GetHeight() - mHeight + kDragMargin));
    // Where the clamp held the dialog back, the grab point slides so that it follows the pointer as
    // soon as the pointer turns back; it stays inside the dialog.
    mDragGrabX = std::max(kDragMargin, std::min(x + mX - left, mWidth - 9));
    mDragGrabY = std::max(kDragMargin, std::min(y + mY - top, mHeight - 9));
    Move(left, top);
}

void Dialog::MouseUp(int32_t, int32_t) {
    if (!mDragging) return;
    if (mHost != nullptr) mHost->SetCursor(kCursorArrow);
    mDragging = false;
}

// Results -----------------------------------------------------------------------------------------------

void Dialog::ButtonPressed(int32_t id) {
    if (id != ID_YES && id != ID_NO) return;
    if (mDialogListener != nullptr) mDialogListener->DialogButtonPressed(mId, id);
}

void Dialog::ButtonReleased(int32_t id) {
    if (id != ID_YES && id != ID_NO) return;
    mResult = id;
    if (mDialogListener != nullptr) mDialogListener->DialogButtonReleased(mId, id);
}

int32_t Dialog::WaitForResult(bool autoKill) {
    // A dialog closed during an update step is deleted at the end of that same step, so after each
    // step the dialog may be gone: its destructor then fills in the waiter, and nothing of the
    // dialog is read again.
    WidgetHost* host = mHost;
    const int32_t id = mId;
    Waiter waiter;
    waiter.outer = mWaiter;
    mWaiter = &waiter;
    while (mManager != nullptr && mResult == NoResult && host != nullptr) {
        const bool running = host->UpdateApp();
        if (waiter.deleted || !running) break;
    }
    if (!waiter.deleted) {
        waiter.result = mResult;
        mWaiter = waiter.outer;
    }
    if (autoKill && host != nullptr) host->KillDialog(id);
    return waiter.result;
}

} // namespace Zorbel
