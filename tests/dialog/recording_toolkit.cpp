#include "recording_toolkit.h"

#include <stdexcept>
#include <utility>

#include "dialog/dialog_layout.h"

namespace tavrix::dialog_test {

void RecordingToolkit::WhenShown(WindowId window, std::function<void()> scene) {
    windows_[window].scenes.push_back(std::move(scene));
}

void RecordingToolkit::Raise(ControlId id, ControlEvent event) {
    const ControlEntry& entry = EntryOf(id);
    Window& window = windows_[entry.window];
    if (entry.event == event && window.loaded && Live(id).enabled) {
        window.events->OnControlEvent(id);
    }
}

void RecordingToolkit::Type(ControlId id, const std::string& text) {
    ControlState& state = Live(id);
    state.text = text;
    if (EntryOf(id).kind == ControlKind::ComboBox) {
        state.listIndex = -1;
    }
}

void RecordingToolkit::Choose(ControlId id, int index) {
    SetListIndex(id, index);
    Raise(id, ControlEvent::Click);
}

void RecordingToolkit::Click(ControlId id) {
    if (EntryOf(id).kind == ControlKind::CheckBox) {
        Live(id).checked = !Live(id).checked;
    }
    Raise(id, ControlEvent::Click);
}

void RecordingToolkit::DoubleClick(ControlId id) {
    Raise(id, ControlEvent::DblClick);
}

bool RecordingToolkit::PressCloseBox(WindowId window) {
    Window& state = windows_[window];
    if (state.loaded && state.events->OnCloseRequest(window)) {
        Unload(window);
    }
    return !state.loaded;
}

const ControlState& RecordingToolkit::State(ControlId id) const {
    return Live(id);
}

std::string RecordingToolkit::Caption(WindowId window) const {
    return windows_.at(window).caption;
}

int RecordingToolkit::LoadCount(WindowId window) const {
    auto found = windows_.find(window);
    return found == windows_.end() ? 0 : found->second.loads;
}

int RecordingToolkit::ShowCount(WindowId window) const {
    auto found = windows_.find(window);
    return found == windows_.end() ? 0 : found->second.shows;
}

void RecordingToolkit::Load(WindowId window, DialogEvents& events) {
    Window& state = windows_[window];
    if (state.loaded) {
        throw std::logic_error("window loaded twice");
    }
    state.loaded = true;
    state.events = &events;
    state.caption.clear();
    ++state.loads;
    for (const ControlEntry& entry : ControlTable()) {
        if (entry.window == window) {
            ControlState fresh;
            fresh.enabled = entry.enabled;
            if (entry.kind == ControlKind::Label || entry.kind == ControlKind::Button ||
                entry.kind == ControlKind::CheckBox) {
                fresh.text = std::string(entry.caption);
            }
            controls_[entry.id] = fresh;
        }
    }
}

bool RecordingToolkit::IsLoaded(WindowId window) const {
    auto found = windows_.find(window);
    return found != windows_.end() && found->second.loaded;
}

void RecordingToolkit::Unload(WindowId window) {
    Window& state = windows_[window];
    state.loaded = false;
    state.events = nullptr;
}

void RecordingToolkit::ShowModal(WindowId window) {
    Window& state = windows_[window];
    if (!state.loaded) {
        throw std::logic_error("modal show of a window that is not loaded");
    }
    ++state.shows;
    if (!state.scenes.empty()) {
        auto scene = std::move(state.scenes.front());
        state.scenes.pop_front();
        scene();
    }
    if (state.loaded && !PressCloseBox(window)) {
        throw std::logic_error("scene ended with a window that refuses to close");
    }
}

void RecordingToolkit::SetCaption(WindowId window, std::string_view caption) {
    windows_.at(window).caption = caption;
}

std::int32_t RecordingToolkit::SetTopmost(WindowId window, bool topmost) {
    topmostCalls.emplace_back(window, topmost);
    return topmost ? 1 : 0;
}

void RecordingToolkit::MessageBox(std::string_view text, MessageStyle style) {
    messages.push_back({std::string(text), style});
}

bool RecordingToolkit::AskYesNo(std::string_view text) {
    messages.push_back({std::string(text), MessageStyle::WarningYesNo});
    if (answers.empty()) {
        return false;
    }
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

std::string RecordingToolkit::GetText(ControlId id) const {
    const ControlState& state = Live(id);
    if (EntryOf(id).kind == ControlKind::ListBox) {
        return state.listIndex < 0 ? std::string()
                                   : state.items[static_cast<std::size_t>(state.listIndex)];
    }
    return state.text;
}

void RecordingToolkit::SetText(ControlId id, std::string_view text) {
    Live(id).text = text;
}

bool RecordingToolkit::IsEnabled(ControlId id) const {
    return Live(id).enabled;
}

void RecordingToolkit::SetEnabled(ControlId id, bool enabled) {
    Live(id).enabled = enabled;
}

void RecordingToolkit::Repaint(ControlId id) {
    repaints.push_back(std::string(EntryOf(id).name) + "=" + Live(id).text);
}

void RecordingToolkit::ClearItems(ControlId id) {
    Live(id).items.clear();
    Live(id).listIndex = -1;
}

void RecordingToolkit::AddItem(ControlId id, std::string_view text) {
    Live(id).items.emplace_back(text);
}

int RecordingToolkit::ItemCount(ControlId id) const {
    return static_cast<int>(Live(id).items.size());
}

int RecordingToolkit::GetListIndex(ControlId id) const {
    return Live(id).listIndex;
}

void RecordingToolkit::SetListIndex(ControlId id, int index) {
    ControlState& state = Live(id);
    if (index < -1 || index >= static_cast<int>(state.items.size())) {
        throw std::out_of_range("list index out of range");
    }
    state.listIndex = index;
    if (index >= 0 && EntryOf(id).kind == ControlKind::ComboBox) {
        state.text = state.items[static_cast<std::size_t>(index)];
    }
}

bool RecordingToolkit::GetChecked(ControlId id) const {
    return Live(id).checked;
}

void RecordingToolkit::SetChecked(ControlId id, bool checked) {
    Live(id).checked = checked;
}

ControlState& RecordingToolkit::Live(ControlId id) {
    return const_cast<ControlState&>(std::as_const(*this).Live(id));
}

const ControlState& RecordingToolkit::Live(ControlId id) const {
    auto window = windows_.find(EntryOf(id).window);
    if (window == windows_.end() || !window->second.loaded) {
        throw std::logic_error("control of a window that is not loaded: " +
                               std::string(EntryOf(id).name));
    }
    return controls_.at(id);
}

}  // namespace tavrix::dialog_test
