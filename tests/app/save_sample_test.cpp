// Save Sample A and B write the whole sample buffers with their headers.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/file_paths.h"
#include "app/shell_fixture.h"
#include "display/sample_slots.h"

namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

TEST_F(ShellTest, SaveSampleWritesTheWholeBufferWithItsHeader) {
  Start(2);  // 4-second stereo samples, "tdx" dialog
  Samples.SampleB[0] = 0x34;
  Samples.SampleB[Samples.SampleBytes - 1] = 0x56;
  auto path = std::filesystem::temp_directory_path() / "tx-sample-b.tdx";
  std::filesystem::remove(path);
  backend.fileAnswer = path.string();
  SendMainMessage(WM_COMMAND, MENU_SAVE_SAMPLE_B, 0);
  EXPECT_EQ(backend.lastFileRequest.title, "Record Taldrinex File");
  EXPECT_EQ(backend.lastFileRequest.defaultExtension, "tdx");
  auto bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 46u + 22050u * 4 * 4);
  EXPECT_EQ(Le32(bytes, 4), 22050u * 4 * 4 + 38);
  EXPECT_EQ(Le32(bytes, 42), 22050u * 4 * 4);
  EXPECT_EQ(bytes[22], 2);  // channels
  EXPECT_EQ(bytes[46], 0x34);
  EXPECT_EQ(bytes.back(), 0x56);
  EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(ShellTest, SaveSampleCancelledWritesNothingAndUnwritablePathIsReported) {
  Start(1);
    SendMainMessage(WM_COMMAND, MENU_SAVE_SAMPLE_A, 0);
  EXPECT_EQ(backend.lastFileRequest.title, "Record Wave File");
  EXPECT_TRUE(backend.boxes.empty());
  backend.fileAnswer = "/nonexistent-folder/x.wav";
  SendMainMessage(WM_COMMAND, MENU_SAVE_SAMPLE_A, 0);
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].text, "Cannot Open File");
  EXPECT_EQ(backend.boxes[0].icon, MessageIcon::Exclamation);
}

}  // namespace
