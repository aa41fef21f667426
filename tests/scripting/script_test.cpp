// The script language: what each line means, and that every line the runner does not understand
// is refused with its line number and text. The backend tests run click, menu, key, mouse, set,
// dump, save-frame, device and most answers end to end; here are the parser's own corners.
#include "scripting/script.h"

#include <gtest/gtest.h>

#include "platform/backend.h"
#include "platform/messages.h"

namespace {

ScriptLine ParseOne(const std::string& text) {
  ParsedScript p = ParseScript(text);
  EXPECT_EQ(p.error, "") << text;
  EXPECT_EQ(p.lines.size(), 1u) << text;
  return p.lines.empty() ? ScriptLine{} : p.lines[0];
}

TEST(HeadlessScript, LinesKeepTheirNumbersAndValues) {
  auto p = ParseScript("# a comment\n\nclick 102\r\n   menu 40009\nwait 12.5\nmouse rdown 10 -3\nclose\n");
  ASSERT_EQ(p.error, "");
  ASSERT_EQ(p.lines.size(), 5u);
  EXPECT_EQ(std::make_tuple(p.lines[0].op, p.lines[0].id, p.lines[0].number),
            std::make_tuple(ScriptOp::Click, 102, 3));  // comments and blank lines still count
  EXPECT_EQ(std::make_tuple(p.lines[1].op, p.lines[1].id, p.lines[1].number),
            std::make_tuple(ScriptOp::Menu, 40009, 4));
  EXPECT_EQ(p.lines[2].op, ScriptOp::Wait);
  EXPECT_DOUBLE_EQ(p.lines[2].ms, 12.5);
  EXPECT_EQ(std::make_tuple(p.lines[3].mouseMessage, p.lines[3].x, p.lines[3].y),
            std::make_tuple(uint32_t{WM_RBUTTONDOWN}, 10, -3));
  EXPECT_EQ(p.lines[4].op, ScriptOp::Close);
}

TEST(HeadlessScript, KeyNames) {
  struct Case {
    const char* name;
    uint32_t key, modifiers;
  } cases[] = {{"R", 'R', 0},
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
               {"7", '7', 0}};
  for (const auto& c : cases) {
    ScriptLine line = ParseOne(std::string("key ") + c.name);
    EXPECT_EQ(std::make_tuple(line.op, line.key, line.modifiers),
              std::make_tuple(ScriptOp::Key, c.key, c.modifiers))
        << c.name;
  }
  uint32_t key = 0, mods = 0;
  for (const char* bad : {"F9", "shift+", "Tab"}) EXPECT_FALSE(ParseKeyName(bad, &key, &mods)) << bad;
}

TEST(HeadlessScript, Answers) {
  using Kind = ScriptAnswer::Kind;
  const std::pair<const char*, Kind> kinds[] = {{"answer ok", Kind::Ok},
                                                {"answer cancel", Kind::Cancel},
                                                {"answer file rec.wav", Kind::File},
                                                {"answer dialog ok", Kind::DialogOk},
                                                {"answer dialog cancel", Kind::DialogCancel},
                                                {"answer scroll 7 lineleft", Kind::Scroll}};
  for (const auto& [text, kind] : kinds) EXPECT_EQ(ParseOne(text).answer.kind, kind) << text;
  EXPECT_EQ(ParseOne("answer file rec.wav").answer.path, "rec.wav");
  const auto s = ParseOne("answer scroll 7 lineleft").answer;
  EXPECT_EQ(std::make_tuple(s.controlId, s.scrollCode), std::make_tuple(7, uint32_t{SB_LINELEFT}));
  const auto t = ParseOne("answer scroll 1049 thumb 250").answer;
  EXPECT_EQ(std::make_tuple(t.scrollCode, t.thumb), std::make_tuple(uint32_t{SB_THUMBPOSITION}, 250));
}

TEST(HeadlessScript, ErrorsNameTheLineAndItsText) {
  const char* bad[] = {"frobnicate 3",
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
                       "answer file /tmp/a b",  // a path is one word
                       "mouse drag 1 2",
                       "mouse move 1",
                       "device speaker fail",
                       "dump now",
                       "save-frame"};
  for (const char* text : bad) {
    ParsedScript p = ParseScript(std::string("dump\n# fine\n") + text + "\ndump\n");
    EXPECT_EQ(p.error.rfind("line 3: ", 0), 0u) << text << " -> " << p.error;
    EXPECT_NE(p.error.find(text), std::string::npos) << p.error;
  }
}

}  // namespace
