#pragma once

#include "framework/widget/ButtonListener.h"
#include "framework/widget/Widget.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class DialogButton;
class DialogListener;
class Font;
class WidgetHost;

// A message box inside the game window: a framed panel with a centred header, word-wrapped message
// lines, an optional footer and up to two buttons. The player can drag it around. Clicks are
// reported to the application's dialog listener, and a caller may block until a button is clicked.
class Dialog : public Widget, public ButtonListener {
public:
    static constexpr int32_t ID_YES = 1000; // yes, OK, or the footer button
    static constexpr int32_t ID_NO = 1001;  // no, cancel
    static constexpr int32_t NoResult = 0x7FFFFFFF;

    enum ButtonMode : int32_t {
        BUTTONS_NONE = 0,
        BUTTONS_YES_NO = 1,
        BUTTONS_OK_CANCEL = 2,
        BUTTONS_FOOTER = 3, // one button labelled with the footer, which is then not drawn as text
    };

    enum ColorIndex : int32_t {
        COLOR_HEADER = 0,
        COLOR_LINES = 1,
        COLOR_FOOTER = 2,
        COLOR_BUTTON_TEXT = 3,        // the buttons' label colour
        COLOR_BUTTON_TEXT_HILITE = 4, // the buttons' label colour while hovered
        COLOR_BKG = 5,                // background of the built-in look
        COLOR_OUTLINE = 6,            // outline of the built-in look
        NUM_COLORS = 7,
    };

    // The host provides the listener, the fonts, the cursor, the string table and the update step;
    // it and both pictures (either may be null: built-in looks) must outlive the dialog.
    Dialog(WidgetHost* host, Image* componentImage, Image* buttonComponentImage, int32_t id, bool isModal,
           const std::string& header, const std::string& lines, const std::string& footer,
           int32_t buttonMode);
    ~Dialog() override;

    void AttachedToManager(WidgetManager* manager) override;
    void DetachedFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void ZOrderChanged() override;
    void SetColor(int32_t index, const Color& color) override;
    void Resize(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void MouseDown(int32_t x, int32_t y, int32_t clickCount) override;
    void MouseUp(int32_t x, int32_t y) override;
    void MouseDrag(int32_t x, int32_t y) override;
    using Widget::MouseDown;
    using Widget::MouseUp;
    using Widget::Resize;

    // Each font setter keeps a copy; the caller keeps its own.
    virtual void SetButtonFont(Font* font);
    virtual void SetHeaderFont(Font* font);
    virtual void SetLinesFont(Font* font);
    // The height that fits the content at this width.
    virtual int32_t GetPreferredHeight(int32_t width);
    virtual bool IsModal();
    // Runs the application's update steps until a button is clicked, the dialog leaves the tree or
    // the application shuts down; then closes the dialog when autoKill is set. Returns the id of the
    // clicked button, 0 when the dialog was closed without one, or NoResult when the application
    // stopped running first. The dialog may be closed and deleted during the wait.
    virtual int32_t WaitForResult(bool autoKill);

    void ButtonPressed(int32_t id) override;
    void ButtonReleased(int32_t id) override;
    using ButtonListener::ButtonPressed;

    int32_t GetId() const { return mId; }
    int32_t GetResult() const { return mResult; }
    // Closing a dialog that has no result yet gives it one (0), so a wait on it ends with that.
    void SetResult(int32_t result) { mResult = result; }
    int32_t GetButtonMode() const { return mButtonMode; }
    DialogButton* GetYesButton() const { return mYesButton.get(); }
    DialogButton* GetNoButton() const { return mNoButton.get(); }
    Font* GetHeaderFont();
    Font* GetLinesFont();
    bool IsDragging() const { return mDragging; }

    std::string mHeader;
    std::string mFooter;
    std::string mLines;
    // Passed to the word wrapping: 0 centred, 1 right, -1 left.
    int32_t mTextJustification = 0;
    // Added to the lines font's line spacing.
    int32_t mExtraLineSpacing = 0;
    int32_t mButtonHeight;
    // Margin between the widget rectangle and the drawn frame.
    Insets mBackgroundInsets{0, 0, 0, 0};
    // Margin between the frame and the text and buttons.
    Insets mContentInsets{24, 24, 24, 24};
    int32_t mSpaceAfterHeader = 10;
    // Horizontal gap between two buttons, and extra margin at their outer sides.
    int32_t mButtonSpacing = 8;
    int32_t mButtonSidePadding = 0;

protected:
    void EnsureFonts();
    void LayoutButtons();
    // The width the message lines wrap in.
    int32_t LinesWidth(int32_t width) const;

    WidgetHost* mHost;
    DialogListener* mDialogListener;
    Image* mComponentImage;
    std::unique_ptr<DialogButton> mYesButton;
    std::unique_ptr<DialogButton> mNoButton;
    int32_t mButtonMode;
    std::unique_ptr<Font> mHeaderFont;
    std::unique_ptr<Font> mLinesFont;
    bool mDragging = false;
    int32_t mDragGrabX = 0;
    int32_t mDragGrabY = 0;
    int32_t mId;
    bool mIsModal;
    int32_t mResult = NoResult;

private:
    // A running WaitForResult, innermost first; the destructor hands each its result.
    struct Waiter {
        Waiter* outer = nullptr;
        bool deleted = false;
        int32_t result = NoResult;
    };
    Waiter* mWaiter = nullptr;
};

} // namespace Zorbel
