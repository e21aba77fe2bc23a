#pragma once

#include "framework/graphics/Rect.h"
#include "framework/widget/Widget.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Zorbel {

class ButtonListener;
class Font;
class Image;

// The push button: shows a label and one of several pictures according to its state (normal,
// hovered, pressed, disabled), fades a hover picture in and out, and reports presses, releases,
// hovering and holding to its listener under the id it was created with. Without pictures it draws
// a grey bevelled face of its own.
class ButtonWidget : public Widget {
public:
    enum ColorIndex : int32_t {
        COLOR_LABEL = 0,        // the label
        COLOR_LABEL_HILITE = 1, // the label while hovered (and while pressed, when drawn from pictures)
    };
    enum LabelJustify : int32_t { JUSTIFY_CENTER = 0, JUSTIFY_RIGHT = 1, JUSTIFY_LEFT = -1 };

    // The listener must outlive the button.
    ButtonWidget(int32_t id, ButtonListener* listener);
    ~ButtonWidget() override;

    void Draw(Graphics* g) override;
    void Update() override;
    void SetDisabled(bool disabled) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseDown(int32_t x, int32_t y, int32_t clickCount) override;
    void MouseUp(int32_t x, int32_t y) override;
    using Widget::MouseDown;
    using Widget::MouseUp;

    // Draws the rect part of buttonImage when rect has a width, else the whole image, at (x, y).
    virtual void DrawButtonImage(Graphics* g, Image* image, const Rect& rect, int32_t x, int32_t y);
    // Keeps a copy of the font (or none); the caller keeps its own.
    virtual void SetFont(Font* font);
    // Held down with the pointer over it, and enabled.
    virtual bool IsButtonDown();

    // A state can be drawn when it has a picture of its own or a part of buttonImage.
    bool HaveButtonImage(const Image* image, const Rect& rect) const;

    int32_t GetId() const { return mId; }
    ButtonListener* GetListener() const { return mListener; }
    Font* GetFont() const { return mFont.get(); }

    const std::string& GetLabel() const { return mLabel; }
    void SetLabel(const std::string& label);
    int32_t GetLabelJustify() const { return mLabelJustify; }
    void SetLabelJustify(int32_t justify) { mLabelJustify = justify; }

    // Pictures (not owned; they must outlive the button) and the parts of buttonImage that stand for
    // each state when one picture sheet holds them all.
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
    Rect mNormalRect;
    Rect mOverRect;
    Rect mDownRect;
    Rect mDisabledRect;
    // Swaps the pressed and released looks.
    bool mInverted = false;
    // The button draws nothing at all.
    bool mNoDraw = false;
    // The picture-less look leaves out its grey face and bevel.
    bool mFrameNoDraw = false;
    // Strength of the hover picture, 0 ... 1, and how much it changes per update step (0: at once).
    double mOverAlpha = 0;
    double mOverAlphaFadeOutSpeed = 0;
    double mOverAlphaFadeInSpeed = 0;

protected:
    // Creates the button's own font when it has a label but no font.
    void EnsureFont(int32_t pointSize, int32_t characterSet);
    // The state pictures change with the hover state, or the label colour does.
    bool HoverChangesLook() const;
    void DrawBuiltInLook(Graphics* g, bool pressed, int32_t labelX, int32_t labelY);
    void DrawPictureLook(Graphics* g, bool pressed, int32_t labelX, int32_t labelY);
    void DrawLabel(Graphics* g, const Color& color, int32_t x, int32_t y);

    int32_t mId;
    std::string mLabel;
    int32_t mLabelJustify = JUSTIFY_CENTER;
    std::unique_ptr<Font> mFont;
    ButtonListener* mListener;
};

} // namespace Zorbel
