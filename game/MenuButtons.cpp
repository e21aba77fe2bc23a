#include "game/MenuButtons.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/widget/ButtonWidget.h"
#include "framework/widget/WidgetManager.h"
#include "game/Board.h"
#include "game/PuzzleModel.h"

namespace Tesserine {

using Zorbel::ButtonWidget;

namespace {

struct ButtonPlace {
    int32_t id;
    const char* name;
    int32_t x;
    int32_t y;
    bool disabled;
    bool hidden;
};

// In the order they are created and added: the six panel buttons at their places for the hidden
// panel, then the two screen-mode buttons that share the top-right corner.
constexpr ButtonPlace Places[] = {
    {Board::BUTTON_QUIT, "Quit", 516, -183, true, false},
    {Board::BUTTON_CANCEL, "Cancel", 304, -183, true, true},
    {Board::BUTTON_NEW_GAME, "NewGame", 92, -183, true, false},
    {Board::BUTTON_DIFFICULTY_MORE, "DifficultyMore", 448, -396, true, false},
    {Board::BUTTON_DIFFICULTY_LESS, "DifficultyLess", 262, -396, true, false},
    {Board::BUTTON_CHANGE_IMAGE, "ChangeImage", 303, -228, true, false},
    {Board::BUTTON_FULL_SCREEN, "FullScreen", 713, 0, false, true},
    {Board::BUTTON_WINDOW, "Window", 713, 0, false, true},
};

constexpr int32_t RemovalOrder[] = {Board::BUTTON_QUIT,
                                    Board::BUTTON_CANCEL,
                                    Board::BUTTON_NEW_GAME,
                                    Board::BUTTON_DIFFICULTY_LESS,
                                    Board::BUTTON_DIFFICULTY_MORE,
                                    Board::BUTTON_CHANGE_IMAGE,
                                    Board::BUTTON_WINDOW,
                                    Board::BUTTON_FULL_SCREEN};

// The buttons that ride on the panel.
constexpr int32_t PanelButtons[] = {Board::BUTTON_QUIT,
                                    Board::BUTTON_CANCEL,
                                    Board::BUTTON_NEW_GAME,
                                    Board::BUTTON_DIFFICULTY_MORE,
                                    Board::BUTTON_DIFFICULTY_LESS,
                                    Board::BUTTON_CHANGE_IMAGE};

} // namespace

MenuButtons::MenuButtons() = default;

MenuButtons::~MenuButtons() = default;

void MenuButtons::Create(Zorbel::ButtonListener* listener, const ImageLoader& load) {
    mImages.clear();
    for (const ButtonPlace& place : Places) {
        auto button = std::make_unique<ButtonWidget>(place.id, listener);
        const std::string base = std::string("images/Button") + place.name;
        std::unique_ptr<Zorbel::MemoryImage> hover = load(base + "Hover");
        std::unique_ptr<Zorbel::MemoryImage> down = load(base + "Down");
        std::unique_ptr<Zorbel::MemoryImage> normal = load(base + "Normal");
        button->mOverImage = hover.get();
        button->mDownImage = down.get();
        button->mButtonImage = normal.get();
        const int32_t width = normal ? normal->GetWidth() : 0;
        const int32_t height = normal ? normal->GetHeight() : 0;
        button->Resize(place.x, place.y, width, height);
        button->SetHandCursor(true);
        if (place.disabled) button->SetDisabled(true);
        if (place.hidden) button->SetVisible(false);
        for (auto* image : {&hover, &down, &normal})
            if (*image) mImages.push_back(std::move(*image));
        mButtons[static_cast<size_t>(place.id - 1)] = std::move(button);
    }
}

void MenuButtons::AddTo(Zorbel::WidgetManager& manager) {
    for (const ButtonPlace& place : Places)
        manager.AddChild(Get(place.id));
}

void MenuButtons::RemoveFrom(Zorbel::WidgetManager& manager) {
    for (int32_t id : RemovalOrder)
        if (ButtonWidget* button = Get(id)) manager.RemoveChild(button);
}

ButtonWidget* MenuButtons::Get(int32_t id) const {
    if (id < Board::BUTTON_QUIT || id > Board::BUTTON_WINDOW) return nullptr;
    return mButtons[static_cast<size_t>(id - 1)].get();
}

void MenuButtons::MovePanel(int32_t dy) {
    for (int32_t id : PanelButtons) {
        ButtonWidget* button = Get(id);
        if (button == nullptr) continue;
        const Zorbel::Rect rect = button->GetRect();
        button->Move(rect.x, rect.y + dy);
    }
}

void MenuButtons::ShowPanel(bool visible) {
    for (int32_t id : PanelButtons)
        if (ButtonWidget* button = Get(id)) button->SetVisible(visible);
}

void MenuButtons::DisablePanel() {
    for (int32_t id : PanelButtons)
        if (ButtonWidget* button = Get(id)) button->SetDisabled(true);
}

void MenuButtons::EnableAtRest(int32_t difficulty) {
    for (int32_t id :
         {Board::BUTTON_NEW_GAME, Board::BUTTON_CANCEL, Board::BUTTON_QUIT, Board::BUTTON_CHANGE_IMAGE})
        if (ButtonWidget* button = Get(id)) button->SetDisabled(false);
    if (ButtonWidget* more = Get(Board::BUTTON_DIFFICULTY_MORE))
        more->SetDisabled(difficulty >= PuzzleModel::MaxDifficulty);
    if (ButtonWidget* less = Get(Board::BUTTON_DIFFICULTY_LESS))
        less->SetDisabled(difficulty <= PuzzleModel::MinDifficulty);
}

void MenuButtons::DifficultyLowered(int32_t difficulty) {
    ButtonWidget* less = Get(Board::BUTTON_DIFFICULTY_LESS);
    if (less && difficulty <= PuzzleModel::MinDifficulty) less->SetDisabled(true);
    if (ButtonWidget* more = Get(Board::BUTTON_DIFFICULTY_MORE)) more->SetDisabled(false);
}

void MenuButtons::DifficultyRaised(int32_t difficulty) {
    ButtonWidget* more = Get(Board::BUTTON_DIFFICULTY_MORE);
    if (more && difficulty >= PuzzleModel::MaxDifficulty) more->SetDisabled(true);
    if (ButtonWidget* less = Get(Board::BUTTON_DIFFICULTY_LESS)) less->SetDisabled(false);
}

bool MenuButtons::IsCancelVisible() const {
    ButtonWidget* cancel = Get(Board::BUTTON_CANCEL);
    return cancel != nullptr && cancel->IsVisible();
}

void MenuButtons::ShowScreenModeButton(bool windowed) {
    ButtonWidget* shown = Get(windowed ? Board::BUTTON_FULL_SCREEN : Board::BUTTON_WINDOW);
    ButtonWidget* hidden = Get(windowed ? Board::BUTTON_WINDOW : Board::BUTTON_FULL_SCREEN);
    if (shown) shown->SetVisible(true);
    if (hidden) hidden->SetVisible(false);
}

void MenuButtons::HideScreenModeButtons() {
    for (int32_t id : {Board::BUTTON_FULL_SCREEN, Board::BUTTON_WINDOW})
        if (ButtonWidget* button = Get(id)) button->SetVisible(false);
}

} // namespace Tesserine
