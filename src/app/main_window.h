// MainWindow: the program's window (class name "Quillery Window"), titled with the application name.
//
// Controls in creation order: "Quit" (command 22), "Make Book..." (command 10), the DropZone (36), the check
// boxes "Overwrite existing file" (37) and "Prompt before overwriting" (38). The buttons' commands travel on
// to the application; the check boxes toggle the options here, which are saved at once as the preferences
// "Overwrite" and "Prompt" (a save that fails is reported once in the log; the boxes still hold for this run,
// and a batch follows them). The prompt box is enabled only while the overwrite option is on.
//
// After a build that wrote a book the shell offers it: a "Preview Book" push button (no control number; its
// click executes Preview Last Book through the application) on a row of its own between the check boxes and
// the buttons. It is hidden until offered, and the window grows by that row while it shows.
//
// The window sizes itself from its controls (margin metric(5), indent metric(8), spacing metric(2)) and
// carries the application's menu bar above them. When shown it goes to the place remembered as
// "WindowPos.x"/"WindowPos.y" if that place is on a screen, else to the centre; closing it writes its place.
// Its close box is Quit: while Quit is disabled (a Book Info or progress dialog is open) the window stays
// open and the dialog comes to the front, so no queued file is dropped.
#pragma once

#include "framework/command_controls.h"
#include "framework/window.h"

namespace quillery {

class DropZone;
class MenuBar;

inline constexpr uint16_t kOverwriteControl = 37;
inline constexpr uint16_t kPromptControl = 38;
inline constexpr const char* kOverwritePreference = "Overwrite";
inline constexpr const char* kPromptPreference = "Prompt";
inline constexpr const char* kWindowXPreference = "WindowPos.x";
inline constexpr const char* kWindowYPreference = "WindowPos.y";

class MainWindow : public Window {
    Q_OBJECT
  public:
    // `menus` may be null (no menu bar).
    MainWindow(const MenuBar* menus, QWidget* parent = nullptr);

    // Moves the window to its remembered place (or the centre) and shows it.
    void present();

    bool overwriteOption() const { return overwrite_; }
    bool promptOption() const { return prompt_; }
    bool optionsChanged() const { return changed_; }
    DropZone* dropZone() const { return dropZone_; }
    // Shows or hides the offer to preview the book just written, resizing the window to fit.
    void setPreviewOffered(bool offered);
    QPushButton* previewButton() const { return preview_; }
    // The size the layout rule gives the area below the menu bar.
    QSize contentSize() const { return contentSize_; }

    void loadOptions();
    void saveOptions();

    bool handleMessage(MessageNumber number, MessageData* data) override;

  protected:
    bool mayClose() override;

  private:
    void layOut(QWidget* content);
    void rememberPlace();

    CommandButton* quit_;
    CommandButton* makeBook_;
    DropZone* dropZone_;
    CommandCheckBox* overwriteBox_;
    CommandCheckBox* promptBox_;
    QPushButton* preview_;
    QSize contentSize_;
    bool overwrite_ = false;
    bool prompt_ = false;
    bool changed_ = false;
};

} // namespace quillery
