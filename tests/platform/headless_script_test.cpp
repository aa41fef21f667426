// The script language: what each line means, and that every line the runner does not understand
// is refused with its line number and text.
#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/headless/script.h"
#include "platform/messages.h"

namespace {

ScriptLine ParseOne(const std::string& text) {
  ParsedScript p = ParseScript(text);
  EXPECT_EQ(p.error, "") << text;
  EXPECT_EQ(p.lines.size(), 1u) << text;
  return p.lines.empty() ? ScriptLine{} : p.lines[0];
}

TEST(HeadlessScript, ActionsCarryTheirIdsAndValues) {
  auto p = ParseScript(
      "# a comment\n"
      "\n"
      "click 102\r\n"
      "   menu 40009\n"
      "wait 12.5\n"
      "set FreqScaleHz 3000\n"
      "close\n"
      "dump\n"
      "mouse rdown 10 -3\n"
      "save-frame out.bmp\n"
      "device input fail\n");
  ASSERT_EQ(p.error, "");
  ASSERT_EQ(p.lines.size(), 9u);
  EXPECT_EQ(p.lines[0].op, ScriptOp::Click);
  EXPECT_EQ(p.lines[0].id, 102);
  EXPECT_EQ(p.lines[0].number, 3);  // comments and blank lines still count
  EXPECT_EQ(p.lines[1].op, ScriptOp::Menu);
  EXPECT_EQ(p.lines[1].id, 40009);
  EXPECT_EQ(p.lines[2].op, ScriptOp::Wait);
  EXPECT_DOUBLE_EQ(p.lines[2].ms, 12.5);
  EXPECT_EQ(p.lines[3].name, "FreqScaleHz");
  EXPECT_EQ(p.lines[3].value, 3000);
  EXPECT_EQ(p.lines[4].op, ScriptOp::Close);
  EXPECT_EQ(p.lines[5].op, ScriptOp::Dump);
  EXPECT_EQ(p.lines[6].mouseMessage, static_cast<uint32_t>(WM_RBUTTONDOWN));
  EXPECT_EQ(p.lines[6].x, 10);
  EXPECT_EQ(p.lines[6].y, -3);
  EXPECT_EQ(p.lines[7].path, "out.bmp");
  EXPECT_EQ(p.lines[8].name, "input");
  EXPECT_EQ(p.lines[8].value, 1);
}

TEST(HeadlessScript, KeyNames) {
  struct Case {
    const char* name;
    uint32_t key, modifiers;
  } cases[] = {
      {"R", 'R', 0},
      {"r", 'R', 0},
      {"shift+C", 'C', KEYMOD_SHIFT},
      {"ctrl+F2", KEY_F1 + 1, KEYMOD_CONTROL},
      {"shift+F1", KEY_F1, KEYMOD_SHIFT},
      {"ctrl+shift+F8", KEY_F8, KEYMOD_CONTROL | KEYMOD_SHIFT},
      {"Escape", KEY_ESCAPE, 0},
      {"Enter", KEY_RETURN, 0},
      {"Space", KEY_SPACE, 0},
      {"Left", KEY_LEFT, 0},
      {"Right", KEY_RIGHT, 0},
      {"Up", KEY_UP, 0},
      {"Down", KEY_DOWN, 0},
      {"7", '7', 0},
  };
  for (const auto& c : cases) {
    ScriptLine line = ParseOne(std::string("key ") + c.name);
    EXPECT_EQ(line.op, ScriptOp::Key) << c.name;
    EXPECT_EQ(line.key, c.key) << c.name;
    EXPECT_EQ(line.modifiers, c.modifiers) << c.name;
  }
  uint32_t key = 0, mods = 0;
  EXPECT_FALSE(ParseKeyName("F9", &key, &mods));
  EXPECT_FALSE(ParseKeyName("shift+", &key, &mods));
  EXPECT_FALSE(ParseKeyName("Tab", &key, &mods));
}

TEST(HeadlessScript, Answers) {
  // A path is one word.
  ParsedScript bad = ParseScript("answer file /tmp/a b\n");
  EXPECT_NE(bad.error, "");

  EXPECT_EQ(ParseOne("answer ok").answer.kind, ScriptAnswer::Kind::Ok);
  EXPECT_EQ(ParseOne("answer cancel").answer.kind, ScriptAnswer::Kind::Cancel);
  auto f = ParseOne("answer file rec.wav").answer;
  EXPECT_EQ(f.kind, ScriptAnswer::Kind::File);
  EXPECT_EQ(f.path, "rec.wav");
  EXPECT_EQ(ParseOne("answer dialog ok").answer.kind, ScriptAnswer::Kind::DialogOk);
  EXPECT_EQ(ParseOne("answer dialog cancel").answer.kind, ScriptAnswer::Kind::DialogCancel);
  auto s = ParseOne("answer scroll 1049 pageright").answer;
  EXPECT_EQ(s.kind, ScriptAnswer::Kind::Scroll);
  EXPECT_EQ(s.controlId, 1049);
  EXPECT_EQ(s.scrollCode, static_cast<uint32_t>(SB_PAGERIGHT));
  auto t = ParseOne("answer scroll 1049 thumb 250").answer;
  EXPECT_EQ(t.scrollCode, static_cast<uint32_t>(SB_THUMBPOSITION));
  EXPECT_EQ(t.thumb, 250);
  EXPECT_EQ(ParseOne("answer scroll 7 lineleft").answer.scrollCode, static_cast<uint32_t>(SB_LINELEFT));
}

TEST(HeadlessScript, ErrorsNameTheLineAndItsText) {
  const char* bad[] = {
      "frobnicate 3",
      "click",
      "click abc",
      "click 1 2",
      "key F9",
      "wait -5",
      "wait soon",
      "set NoSuchField 3",
      "set FreqScaleHz x",
      "answer maybe",
      "answer dialog yes",
      "answer scroll 5 sideways",
      "answer scroll 5 thumb",
      "mouse drag 1 2",
      "mouse move 1",
      "device speaker fail",
      "dump now",
      "save-frame",
  };
  for (const char* text : bad) {
    ParsedScript p = ParseScript(std::string("dump\n# fine\n") + text + "\ndump\n");
    EXPECT_EQ(p.error.rfind("line 3: ", 0), 0u) << text << " -> " << p.error;
    EXPECT_NE(p.error.find(text), std::string::npos) << p.error;
  }
}

}  // namespace
