#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Zorbel {
class ButtonListener;
class ButtonWidget;
class MemoryImage;
class WidgetManager;
} // namespace Zorbel

namespace Tesserine {

// The eight buttons of the menu and their pictures: six ride on the panel (quit, cancel, new game,
// difficulty more and less, change image), two share the top-right corner (full screen and window, at
// most one of them shown). The menu owns them and drives them; the board hears their clicks. Ids are
// the board's button ids.
class MenuButtons {
public:
    using ImageLoader = std::function<std::unique_ptr<Zorbel::MemoryImage>(const std::string& path)>;

    MenuButtons();
    MenuButtons(const MenuButtons&) = delete;
    MenuButtons& operator=(const MenuButtons&) = delete;
    ~MenuButtons();

    // Makes the buttons at their places for the hidden panel, each with its normal, hover and down
    // pictures ("images/Button" + name + "Normal" and so on, loaded hover, down, normal) and the hand
    // cursor, disabled or hidden as they start. The listener must outlive the buttons.
    void Create(Zorbel::ButtonListener* listener, const ImageLoader& load);
    // Adds them to the manager in the order they were made, and removes them in the order quit,
    // cancel, new game, difficulty less, difficulty more, change image, window, full screen.
    void AddTo(Zorbel::WidgetManager& manager);
    void RemoveFrom(Zorbel::WidgetManager& manager);

    // The button with the board's id; null before they are made.
    Zorbel::ButtonWidget* Get(int32_t id) const;

    // The panel buttons follow the panel by dy pixels, are shown or hidden, or disabled.
    void MovePanel(int32_t dy);
    void ShowPanel(bool visible);
    void DisablePanel();
    // The panel came to rest: new game, cancel, quit and change image are enabled, the difficulty
    // buttons as far as the difficulty can still go.
    void EnableAtRest(int32_t difficulty);
    // After the difficulty went down: less is disabled at the lowest, more is enabled. After it went
    // up, the other way round.
    void DifficultyLowered(int32_t difficulty);
    void DifficultyRaised(int32_t difficulty);
    bool IsCancelVisible() const;

    // Shows the screen-mode button that leads to the other mode (full screen while in a window, and
    // the other way round), then hides the one that leads to this mode.
    void ShowScreenModeButton(bool windowed);
    void HideScreenModeButtons();

private:
    std::array<std::unique_ptr<Zorbel::ButtonWidget>, 8> mButtons;
    // The buttons' pictures, which the buttons only borrow.
    std::vector<std::unique_ptr<Zorbel::MemoryImage>> mImages;
};

} // namespace Tesserine
