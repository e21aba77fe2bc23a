#pragma once

#include <cstdint>
#include <string>

namespace Zorbel {

class DialogListener;
class FontEngine;
class Widget;

// The services of the application that widgets and dialogs use. The application object implements
// it; the widget layer never sees the application itself, so it runs under a stand-in in tests.
class WidgetHost {
public:
    virtual ~WidgetHost() = default;

    // Shows cursor number id: 0 arrow, 1 hand, 2 dragging hand, ...
    virtual void SetCursor(int32_t id) = 0;

    // Runs the main loop until one update step has happened. False once the application is
    // shutting down. A dialog waiting for its result nests this inside an event handler.
    virtual bool UpdateApp() = 0;

    // Closes the open dialog with this id: removes it from the tree, pops it when modal and hands it
    // to SafeDeleteWidget. False when no dialog has the id.
    virtual bool KillDialog(int32_t id) = 0;

    // Deletes the widget later, once no event handler further up the stack can still be using it.
    virtual void SafeDeleteWidget(Widget* widget) = 0;

    // A text of the application's string table, empty when the id is absent.
    virtual std::string GetString(const std::string& id) const = 0;

    // Every dialog reports its button clicks here.
    virtual DialogListener* GetDialogListener() = 0;

    // The system font rasteriser that the framework's own fonts are made with.
    virtual FontEngine* GetFontEngine() = 0;

    // The clipboard's text, 8-bit Latin-1 as everywhere in the framework. Copying answers whether the
    // text was placed on the clipboard.
    virtual bool CopyToClipboard(const std::string& text) = 0;
    virtual std::string GetClipboardText() = 0;
};

} // namespace Zorbel
