#include "scripting/dump.h"

#include <ostream>

#include "app/file_paths.h"
#include "app/measurements_window.h"
#include "app/mode_state.h"
#include "app/program.h"
#include "audio/frozen_view.h"
#include "audio/live_loop.h"
#include "audio/sound_devices.h"
#include "display/sample_slots.h"
#include "interaction/sample_bundle.h"
#include "platform/canvas/canvas.h"
#include "platform/headless/headless_backend.h"
#include "platform/headless/sim_sound.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"

using nlohmann::json;

namespace {

const char* IconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation:
      return "exclamation";
    case MessageIcon::Stop:
      return "stop";
    case MessageIcon::Information:
      return "information";
    case MessageIcon::None:
      break;
  }
  return "none";
}

const char* CursorName(CursorShape shape) {
  switch (shape) {
    case CursorShape::Wait:
      return "wait";
    case CursorShape::Cross:
      return "cross";
    case CursorShape::SizeWE:
      return "sizewe";
    case CursorShape::Arrow:
      break;
  }
  return "arrow";
}

const char* ControlKindName(DialogControlKind kind) {
  switch (kind) {
    case DialogControlKind::Label:
      return "label";
    case DialogControlKind::Group:
      return "group";
    case DialogControlKind::Button:
      return "button";
    case DialogControlKind::DefaultButton:
      return "default_button";
    case DialogControlKind::Radio:
      return "radio";
    case DialogControlKind::CheckBox:
      return "checkbox";
    case DialogControlKind::Edit:
      return "edit";
    case DialogControlKind::ScrollBar:
      return "scrollbar";
    case DialogControlKind::List:
      return "list";
  }
  return "label";
}

json Rect(const UiRect& r) { return json::array({r.x, r.y, r.width, r.height}); }

// The Measurements window's figures; with the window closed, those it would show of a frozen view.
json MeasurementsJson() {
  const auto& w = MeasurementsWindow;
  HeldFigures shown{w.A, w.B};
  if (!w.Open) shown = Mode.Frozen && !Mode.PlayingSignals ? MeasureBothHeldSamples() : HeldFigures{};
  json m;
  m["window_open"] = w.Open;
  m["live"] = w.Open && w.Live;
  m["view_only"] = w.ViewOnly;
  m["reference_a4_hz"] = w.ReferenceA4Hz;
  m["A"] = FiguresJson(shown.a, "Sample A");
  m["B"] = FiguresJson(shown.b, "Sample B");
  m["difference"] = DifferenceJson(m["A"], m["B"]);
  if (w.Open) {
    m["table"] = w.Table;
    m["cursor"] = w.Cursor;
    m["status"] = w.Status;
    m["position"] = {w.Dialog.x, w.Dialog.y};
  }
  return m;
}

json FormatJson(const SoundFormat& f) {
  return {{"channels", f.channels}, {"rate", f.sampleRate}, {"bits", f.bitsPerSample}};
}

json SoundJson(const SimSoundSystem& sound) {
  json opens = json::array();
  for (const auto& o : sound.Opens())
    opens.push_back({{"device", o.input ? "input" : "output"},
                     {"name", o.device},
                     {"format", FormatJson(o.format)},
                     {"opened", o.opened},
                     {"at_ms", o.atMs}});
  json writes = json::array();
  for (const auto& w : sound.Writes())
    writes.push_back({{"at_ms", w.atMs},
                      {"format", FormatJson(w.format)},
                      {"bytes", w.data.size()},
                      {"loops", w.loops},
                      {"volume", json::array({w.left, w.right})},
                      {"heard_frames", w.format.channels > 0 ? w.heard.size() / w.format.channels : 0},
                      {"completed", w.completed}});
  json input = nullptr;
  if (auto* in = sound.ActiveInput())
    input = {{"format", FormatJson(in->Format())},
             {"running", in->Running()},
             {"position", in->PositionFrames()},
             {"queued", in->QueuedBuffers()}};
  json output = nullptr;
  if (auto* out = sound.ActiveOutput())
    output = {{"format", FormatJson(out->Format())},
              {"playing", out->Playing()},
              {"position", out->PositionFrames()},
              {"volume", json::array({out->Left(), out->Right()})}};
  auto names = [](const std::vector<SoundDeviceInfo>& devices) {
    json list = json::array();
    for (const auto& d : devices) list.push_back(d.name);
    return list;
  };
  return {{"opens", opens},
          {"writes", writes},
          {"input", input},
          {"output", output},
          {"input_devices", names(sound.inputDevices)},
          {"output_devices", names(sound.outputDevices)}};
}

}  // namespace

json BuildDump(const HeadlessBackend& backend) {
  json d;
  d["variant"] = AnalysisSettings.ProductVariant;

  json mode = json::object();
  ForEachModeFlag(Mode, [&](const char* name, auto value) { mode[name] = static_cast<int>(value); });
  d["mode"] = mode;

  json settings = json::object();
  int count = 0;
  const char* const* names = SettingNames(&count);
  for (int i = 0; i < count; ++i) {
    int value = 0;
    if (GetSettingByName(names[i], &value)) settings[names[i]] = value;
  }
  settings["DisplayMode"] = Companions.DisplayMode;
  settings["ComparisonMode"] = Companions.ComparisonMode;
  settings["VariantTitle"] = Companions.VariantTitle;
  d["settings"] = settings;

  json buttons = json::object();
  for (const auto& b : MainUi.buttons)
    buttons[std::to_string(b.id)] = {{"caption", b.caption},
                                     {"enabled", b.enabled},
                                     {"pressed", b.pressed},
                                     {"visible", b.visible},
                                     {"rect", Rect(b.rect)}};
  d["buttons"] = buttons;

  json menu = json::object();
  for (const auto& popup : MainUi.menu)
    for (const auto& item : popup.items)
      if (item.id != 0) menu[std::to_string(item.id)] = {{"text", item.text}, {"enabled", item.enabled}};
  d["menu"] = menu;

  d["caption"] = MainUi.caption;
  d["cursor"] = CursorName(MainUi.cursor);
  const auto& sb = MainUi.scrollBar;
  d["scrollbar"] = {{"min", sb.minimum},     {"max", sb.maximum},     {"position", sb.position},
                    {"enabled", sb.enabled}, {"visible", sb.visible}, {"rect", Rect(sb.rect)}};

  json messages = json::array();
  for (const auto& m : backend.MessageBoxes())
    messages.push_back(
        {{"text", m.text}, {"caption", m.caption}, {"icon", IconName(m.icon)}, {"answer", m.answer}});
  d["messages"] = messages;

  json texts = json::array();
  for (const auto& t : LastFrameTexts()) texts.push_back({{"text", t.text}, {"x", t.x}, {"y", t.y}});
  d["texts"] = texts;

  d["clock_ms"] = backend.VirtualNowMs();
  d["window"] = {{"x", MainUi.windowRect.x},           {"y", MainUi.windowRect.y},
                 {"width", MainUi.windowRect.width},   {"height", MainUi.windowRect.height},
                 {"client_width", MainUi.clientWidth}, {"client_height", MainUi.clientHeight},
                 {"visible", MainUi.windowVisible}};

  json dialogs = json::array();
  for (const DialogModel* dlg : MainUi.openDialogs) {
    if (!dlg) continue;
    json controls = json::object();
    for (const auto& c : dlg->controls) {
      if (c.id < 0) continue;
      json cj = {{"kind", ControlKindName(c.kind)},
                 {"text", c.text},
                 {"enabled", c.enabled},
                 {"checked", c.checked}};
      if (c.kind == DialogControlKind::ScrollBar) {
        cj["min"] = c.minimum;
        cj["max"] = c.maximum;
        cj["position"] = c.position;
      }
      if (c.kind == DialogControlKind::List) {
        cj["items"] = c.items;
        cj["position"] = c.position;
      }
      controls[std::to_string(c.id)] = cj;
    }
    dialogs.push_back(
        {{"id", dlg->resourceId}, {"title", dlg->title}, {"modal", dlg->modal}, {"controls", controls}});
  }
  d["dialogs"] = dialogs;

  json modal = json::array();
  for (const auto& m : backend.ModalDialogs())
    modal.push_back({{"id", m.resourceId}, {"title", m.title}, {"result", m.result}});
  d["modal_dialogs"] = modal;

  json files = json::array();
  for (const auto& f : backend.FileDialogs()) {
    json filters = json::array();
    for (const auto& flt : f.request.filters)
      filters.push_back({{"description", flt.description}, {"patterns", flt.patterns}});
    files.push_back({{"save", f.request.save},
                     {"title", f.request.title},
                     {"filters", filters},
                     {"default_extension", f.request.defaultExtension},
                     {"answer", f.answer ? json(*f.answer) : json(nullptr)}});
  }
  d["file_dialogs"] = files;

  d["paths"] = {{"OpenFileName", FilePaths.OpenFileName},
                {"FileTitle", FilePaths.FileTitle},
                {"RecordFileName", FilePaths.RecordFileName},
                {"BitmapFileName", FilePaths.BitmapFileName}};

  json printed = json::array();
  for (const auto& page : backend.PrintedPages())
    printed.push_back({{"document", page.document},
                       {"width", page.picture.Width()},
                       {"height", page.picture.Height()},
                       {"destination", {page.destination.x, page.destination.y, page.destination.width,
                                        page.destination.height}}});
  d["printed"] = printed;

  d["beeps"] = backend.Beeps();
  d["documents"] = backend.OpenedDocuments();
  d["frames_drawn"] = backend.FramesDrawn();
  if (const SimSoundSystem* sound = backend.Sound()) d["sound"] = SoundJson(*sound);
  d["measurements"] = MeasurementsJson();
  d["sound_devices"] = {{"input", SoundDevices.InputDevice},
                        {"input_name", SoundDevices.InputName},
                        {"output", SoundDevices.OutputDevice},
                        {"output_name", SoundDevices.OutputName}};
  d["loop"] = {{"F0A", Samples.F0A},
               {"AchievedUpdatePeriodMs", LiveLoop.AchievedUpdatePeriodMs},
               {"FreezeElapsedA", Samples.FreezeElapsedA},
               {"HeldBytesA", Samples.HeldBytesA},
               {"ViewPosition", LiveView.ViewPosition},
               {"ViewedSample", LiveView.ViewedSample},
               {"ViewClampedAtEnd", LiveView.ViewClampedAtEnd},
               {"ViewClampedAtStart", LiveView.ViewClampedAtStart},
               {"AudioClampedAtEnd", LiveView.AudioClampedAtEnd},
               {"AudioClampedAtStart", LiveView.AudioClampedAtStart},
               {"StepsDrawn", LiveLoop.StepsDrawn}};
  return d;
}

void WriteDump(const HeadlessBackend& backend, std::ostream& out) {
  // Invalid UTF-8 in a text (a file name) is replaced rather than aborting the dump.
  out << BuildDump(backend).dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
  out.flush();
}
