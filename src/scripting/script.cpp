#include "scripting/script.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>

#include "platform/backend.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"

namespace {

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

bool ParseInt(const std::string& text, int* value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && p == end;
}

bool ParseMs(const std::string& text, double* value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, *value);
  return ec == std::errc() && p == end && std::isfinite(*value) && *value >= 0;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct NamedKey {
  const char* name;
  uint32_t code;
};
constexpr NamedKey kNamedKeys[] = {
    {"escape", KEY_ESCAPE}, {"esc", KEY_ESCAPE},     {"enter", KEY_RETURN}, {"return", KEY_RETURN},
    {"space", KEY_SPACE},   {"left", KEY_LEFT},      {"right", KEY_RIGHT},  {"up", KEY_UP},
    {"down", KEY_DOWN},     {"backspace", KEY_BACK},
};

struct ScrollName {
  const char* name;
  uint32_t code;
};
constexpr ScrollName kScrollNames[] = {
    {"lineleft", SB_LINELEFT},   {"lineright", SB_LINERIGHT}, {"pageleft", SB_PAGELEFT},
    {"pageright", SB_PAGERIGHT}, {"thumb", SB_THUMBPOSITION}, {"left", SB_LEFT},
    {"right", SB_RIGHT},
};

// Fills `line` from its words; returns an empty string or the reason it was not understood.
std::string ParseWords(const std::vector<std::string>& w, ScriptLine& line) {
  const std::string verb = Lower(w[0]);
  const size_t n = w.size();
  auto needs = [&](size_t count, const char* usage) -> std::string {
    return n == count ? std::string() : std::string("expected '") + usage + "'";
  };
  if (verb == "click" || verb == "menu") {
    if (auto e = needs(2, verb == "click" ? "click ID" : "menu ID"); !e.empty()) return e;
    line.op = verb == "click" ? ScriptOp::Click : ScriptOp::Menu;
    if (!ParseInt(w[1], &line.id) || line.id < 0 || line.id > 0xFFFF) return "not a command id";
    return {};
  }
  if (verb == "key") {
    if (auto e = needs(2, "key NAME"); !e.empty()) return e;
    line.op = ScriptOp::Key;
    if (!ParseKeyName(w[1], &line.key, &line.modifiers)) return "unknown key name";
    return {};
  }
  if (verb == "close") {
    line.op = ScriptOp::Close;
    return needs(1, "close");
  }
  if (verb == "dump") {
    line.op = ScriptOp::Dump;
    return needs(1, "dump");
  }
  if (verb == "wait") {
    if (auto e = needs(2, "wait MS"); !e.empty()) return e;
    line.op = ScriptOp::Wait;
    if (!ParseMs(w[1], &line.ms)) return "not a number of milliseconds";
    return {};
  }
  if (verb == "set") {
    if (auto e = needs(3, "set NAME VALUE"); !e.empty()) return e;
    line.op = ScriptOp::Set;
    line.name = w[1];
    int current = 0;
    if (!GetSettingByName(line.name, &current)) return "unknown setting";
    if (!ParseInt(w[2], &line.value)) return "not a whole number";
    return {};
  }
  if (verb == "save-frame") {
    if (auto e = needs(2, "save-frame FILE.bmp"); !e.empty()) return e;
    line.op = ScriptOp::SaveFrame;
    line.path = w[1];
    return {};
  }
  if (verb == "mouse") {
    if (auto e = needs(4, "mouse move|down|up|rdown X Y"); !e.empty()) return e;
    line.op = ScriptOp::Mouse;
    const std::string what = Lower(w[1]);
    if (what == "move")
      line.mouseMessage = WM_MOUSEMOVE;
    else if (what == "down")
      line.mouseMessage = WM_LBUTTONDOWN;
    else if (what == "up")
      line.mouseMessage = WM_LBUTTONUP;
    else if (what == "rdown")
      line.mouseMessage = WM_RBUTTONDOWN;
    else
      return "expected move, down, up or rdown";
    if (!ParseInt(w[2], &line.x) || !ParseInt(w[3], &line.y) || line.x < -32768 || line.x > 32767 ||
        line.y < -32768 || line.y > 32767)
      return "not a pixel position";
    return {};
  }
  if (verb == "device") {
    if (n < 3) return "expected 'device input|output fail|ok|add NAME|remove NAME', or 'device output delay MS'";
    line.op = ScriptOp::Device;
    line.name = Lower(w[1]);
    if (line.name != "input" && line.name != "output") return "expected input or output";
    const std::string how = Lower(w[2]);
    if (how == "fail" || how == "ok") {
      line.value = how == "fail" ? kDeviceFail : kDeviceOk;
      return needs(3, "device input|output fail|ok");
    }
    if (how == "delay") {
      line.value = kDeviceDelay;
      if (line.name != "output") return "only the output has a delay";
      if (n < 4 || !ParseMs(w[3], &line.ms)) return "expected milliseconds";
      return needs(4, "device output delay MS");
    }
    if (how != "add" && how != "remove") return "expected fail, ok, add, remove or delay";
    if (n < 4) return "expected a device name";
    line.value = how == "add" ? kDeviceAdd : kDeviceRemove;
    for (size_t i = 3; i < n; ++i) line.deviceName += (i > 3 ? " " : "") + w[i];
    return {};
  }
  if (verb == "answer") {
    line.op = ScriptOp::Answer;
    auto& a = line.answer;
    a.lineNumber = line.number;
    if (n < 2)
      return "expected 'answer ok|cancel|file PATH|dialog ok|cancel|scroll ID ACTION|select ID ENTRY'";
    const std::string what = Lower(w[1]);
    if (what == "ok" || what == "cancel") {
      a.kind = what == "ok" ? ScriptAnswer::Kind::Ok : ScriptAnswer::Kind::Cancel;
      return needs(2, "answer ok|cancel");
    }
    if (what == "file") {
      if (auto e = needs(3, "answer file PATH"); !e.empty()) return e;
      a.kind = ScriptAnswer::Kind::File;
      a.path = w[2];
      return {};
    }
    if (what == "dialog") {
      if (auto e = needs(3, "answer dialog ok|cancel"); !e.empty()) return e;
      const std::string how = Lower(w[2]);
      if (how == "ok")
        a.kind = ScriptAnswer::Kind::DialogOk;
      else if (how == "cancel")
        a.kind = ScriptAnswer::Kind::DialogCancel;
      else
        return "expected ok or cancel";
      return {};
    }
    if (what == "scroll") {
      if (n < 4) return "expected 'answer scroll ID ACTION'";
      a.kind = ScriptAnswer::Kind::Scroll;
      if (!ParseInt(w[2], &a.controlId)) return "not a control id";
      const std::string action = Lower(w[3]);
      bool known = false;
      for (const auto& s : kScrollNames)
        if (action == s.name) a.scrollCode = s.code, known = true;
      if (!known) return "unknown scroll action";
      if (a.scrollCode == SB_THUMBPOSITION) {
        if (auto e = needs(5, "answer scroll ID thumb N"); !e.empty()) return e;
        if (!ParseInt(w[4], &a.thumb) || a.thumb < 0 || a.thumb > 0xFFFF) return "not a scroll position";
        return {};
      }
      return needs(4, "answer scroll ID ACTION");
    }
    if (what == "select") {
      if (auto e = needs(4, "answer select ID ENTRY"); !e.empty()) return e;
      a.kind = ScriptAnswer::Kind::Select;
      if (!ParseInt(w[2], &a.controlId)) return "not a control id";
      if (!ParseInt(w[3], &a.thumb) || a.thumb < 0) return "not an entry number";
      return {};
    }
    return "unknown answer";
  }
  return "unknown action";
}

}  // namespace

bool ParseKeyName(const std::string& name, uint32_t* key, uint32_t* modifiers) {
  std::string rest = name;
  *modifiers = 0;
  for (;;) {
    const std::string low = Lower(rest);
    if (low.rfind("shift+", 0) == 0) {
      *modifiers |= KEYMOD_SHIFT;
      rest = rest.substr(6);
    } else if (low.rfind("ctrl+", 0) == 0) {
      *modifiers |= KEYMOD_CONTROL;
      rest = rest.substr(5);
    } else {
      break;
    }
  }
  if (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0]))) {
    *key = static_cast<uint32_t>(std::toupper(static_cast<unsigned char>(rest[0])));
    return true;
  }
  const std::string low = Lower(rest);
  if (low.size() == 2 && low[0] == 'f' && low[1] >= '1' && low[1] <= '8') {
    *key = KEY_F1 + static_cast<uint32_t>(low[1] - '1');
    return true;
  }
  for (const auto& k : kNamedKeys) {
    if (low == k.name) {
      *key = k.code;
      return true;
    }
  }
  return false;
}

ParsedScript ParseScript(const std::string& text) {
  ParsedScript out;
  std::istringstream in(text);
  std::string raw;
  int number = 0;
  while (std::getline(in, raw)) {
    ++number;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    auto words = SplitWords(raw);
    if (words.empty() || words[0][0] == '#') continue;
    ScriptLine line;
    line.number = number;
    line.text = raw;
    std::string reason = ParseWords(words, line);
    if (!reason.empty()) {
      out.error = "line " + std::to_string(number) + ": " + reason + ": " + raw;
      return out;
    }
    out.lines.push_back(std::move(line));
  }
  return out;
}
