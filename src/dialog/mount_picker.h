#pragma once
// The mount picker's list window: one line per listed mount; a double click
// picks a line and closes the window.

#include <string>
#include <string_view>
#include <vector>

#include "dialog/dialog_toolkit.h"

namespace tavrix {

// The line picked last on this thread. Only a double click writes it and
// nothing resets it, so it carries over from one opening to the next; before
// the first pick it is empty.
extern thread_local std::string gChosenMount;

class MountPicker : public DialogEvents {
  public:
    explicit MountPicker(DialogToolkit& toolkit);
    ~MountPicker() override;
    MountPicker(const MountPicker&) = delete;
    MountPicker& operator=(const MountPicker&) = delete;

    // Fills the list with `lines` in their order, captions the window
    // "Mounts on <host>", makes it topmost and shows it modally. Returns when
    // the window is closed: true after a double click picked a line, false
    // when the close box closed it.
    bool Open(std::string_view hostname, const std::vector<std::string>& lines);

    void lstResources_DblClick();

    void OnControlEvent(ControlId id) override;
    bool OnCloseRequest(WindowId window) override;

  private:
    DialogToolkit& toolkit_;
    bool picked_ = false;
};

}  // namespace tavrix
