#include "app/devices_dialog.h"

#include <algorithm>

#include "app/window_state.h"
#include "audio/sound_devices.h"
#include "platform/backend.h"
#include "platform/messages.h"

DevicesDialogState DevicesDialog;

namespace {

constexpr const char* kSystemDefault = "System default";

// The devices offered now, plus the chosen one when it is not among them (so that OK keeps it and
// the next Run says it has gone).
std::vector<SoundDeviceInfo> Offered(bool input, const std::string& chosenId, const std::string& chosenName) {
  SoundSystem* system = CurrentSoundSystem();
  std::vector<SoundDeviceInfo> devices = system ? system->ListDevices(input) : std::vector<SoundDeviceInfo>{};
  if (!chosenId.empty() && std::none_of(devices.begin(), devices.end(),
                                        [&](const SoundDeviceInfo& d) { return d.id == chosenId; }))
    devices.push_back({chosenId, chosenName.empty() ? chosenId : chosenName});
  return devices;
}

void Fill(DialogModel& d, int list, const std::vector<SoundDeviceInfo>& devices,
          const std::string& chosenId) {
  std::vector<std::string> items{kSystemDefault};
  int chosen = 0;
  for (const auto& device : devices) {
    if (device.id == chosenId) chosen = static_cast<int>(items.size());
    items.push_back(device.name);
  }
  d.SetItems(list, std::move(items));
  d.SetScrollPosition(list, chosen);
}

// The device at the list's chosen entry: {"", ""} for the system default.
SoundDeviceInfo Chosen(const DialogModel& d, int list, const std::vector<SoundDeviceInfo>& devices) {
  const DialogControlModel* c = d.Control(list);
  const int at = c ? c->position : 0;
  if (at < 1 || at > static_cast<int>(devices.size())) return {};
  return devices[static_cast<size_t>(at - 1)];
}

intptr_t DevicesDialogProc(DialogModel& d, uint32_t message, uintptr_t wParam, intptr_t) {
  auto& s = DevicesDialog;
  auto& choice = SoundDevices;
  switch (message) {
    case WM_INITDIALOG:
      s.Inputs = Offered(true, choice.InputDevice, choice.InputName);
      s.Outputs = Offered(false, choice.OutputDevice, choice.OutputName);
      Fill(d, kInputDeviceList, s.Inputs, choice.InputDevice);
      Fill(d, kOutputDeviceList, s.Outputs, choice.OutputDevice);
      return 1;
    case WM_COMMAND:
      if ((wParam & 0xFFFF) == IDOK) {
        const SoundDeviceInfo in = Chosen(d, kInputDeviceList, s.Inputs);
        const SoundDeviceInfo out = Chosen(d, kOutputDeviceList, s.Outputs);
        choice.InputDevice = in.id;
        choice.InputName = in.name;
        choice.OutputDevice = out.id;
        choice.OutputName = out.name;
        RememberSoundDevices();
        d.End(1);
      }
      if ((wParam & 0xFFFF) == IDCANCEL) d.End(0);
      return 1;
    case WM_CLOSE:
      d.End(0);
      return 1;
    default:
      return 0;
  }
}

DialogModel MakeDevicesDialog() {
  DialogModel d;
  d.resourceId = kDevicesDialog;
  d.title = "Audio Devices";
  d.modal = true;
  d.width = 420;
  d.height = 136;
  d.x = std::max(0, (Window.ScreenWidth - d.width) / 2);
  d.y = std::max(0, (Window.ScreenHeight - d.height) / 2 - 30);
  auto add = [&d](int id, DialogControlKind kind, const char* text, UiRect r) { d.Add(id, kind, text, r); };
  add(-1, DialogControlKind::Label, "&Input:", {12, 16, 60, 18});
  add(kInputDeviceList, DialogControlKind::List, "", {78, 12, 330, 26});
  add(-1, DialogControlKind::Label, "&Output:", {12, 54, 60, 18});
  add(kOutputDeviceList, DialogControlKind::List, "", {78, 50, 330, 26});
  add(IDOK, DialogControlKind::DefaultButton, "OK", {238, 96, 80, 28});
  add(IDCANCEL, DialogControlKind::Button, "Cancel", {328, 96, 80, 28});
  d.procedure = DevicesDialogProc;
  return d;
}

}  // namespace

int RunDevicesDialog() {
  DialogModel d = MakeDevicesDialog();
  MainUi.openDialogs.push_back(&d);
  UiChanged();
  const int result = CurrentBackend().RunModalDialog(d);
  std::erase(MainUi.openDialogs, &d);
  UiChanged();
  DevicesDialog = DevicesDialogState{};
  return result;
}
