#include "dialog/mount_picker.h"

namespace tavrix {

thread_local std::string gChosenMount;

MountPicker::MountPicker(DialogToolkit& toolkit) : toolkit_(toolkit) {}

MountPicker::~MountPicker() {
    if (toolkit_.IsLoaded(WindowId::MountList)) {
        toolkit_.Unload(WindowId::MountList);
    }
}

bool MountPicker::Open(std::string_view hostname, const std::vector<std::string>& lines) {
    if (!toolkit_.IsLoaded(WindowId::MountList)) {
        toolkit_.Load(WindowId::MountList, *this);
    }
    toolkit_.ClearItems(ControlId::lstResources);
    for (const std::string& line : lines) {
        toolkit_.AddItem(ControlId::lstResources, line);
    }
    toolkit_.SetCaption(WindowId::MountList, "Mounts on " + std::string(hostname));
    toolkit_.SetTopmost(WindowId::MountList, true);
    picked_ = false;
    toolkit_.ShowModal(WindowId::MountList);
    return picked_;
}

void MountPicker::lstResources_DblClick() {
    gChosenMount = toolkit_.GetText(ControlId::lstResources);
    picked_ = true;
    toolkit_.Unload(WindowId::MountList);
}

void MountPicker::OnControlEvent(ControlId id) {
    if (id == ControlId::lstResources) {
        lstResources_DblClick();
    }
}

bool MountPicker::OnCloseRequest(WindowId /*window*/) {
    return true;
}

}  // namespace tavrix
