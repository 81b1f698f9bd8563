#include "WineWizard.h"

#include <cstdlib>

namespace fs = std::filesystem;

namespace screen_test {

namespace {

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

}  // namespace

void WineWizard::SetUp() {
  prefix_ = Env("WINEPREFIX", "");
  if (prefix_.empty()) GTEST_SKIP() << "runs in the Windows test step's Wine prefix (WINEPREFIX)";
  std::string error;
  if (!StartDisplay("win32-", error)) GTEST_SKIP() << "no X server could be started: " << error;
  wine_ = Env("SE_WINE", "/usr/bin/wine");
  windowsBin_ = Env("SE_WINDOWS_BIN_DIR", "");
  linuxBin_ = Env("SE_LINUX_BIN_DIR", SE_BINARY_DIR "/bin");
  ASSERT_TRUE(fs::exists(windowsBin_ + "/setup.exe")) << "no setup.exe in " << windowsBin_;
}

std::string WineWizard::Pack(const std::string& script, const std::string& output,
                             const std::vector<std::string>& extra) {
  const std::string out = (work_.Path() / output).string();
  std::vector<std::string> args{
      linuxBin_ + "/mksetup",    (work_.Path() / script).string(), "-o", out, "--stub",
      windowsBin_ + "/setup.exe"};
  args.insert(args.end(), extra.begin(), extra.end());
  const CommandResult packed = screen_test::Run(args, "");
  EXPECT_EQ(packed.status, 0) << packed.out;
  return out;
}

std::unique_ptr<Program> WineWizard::Start(const std::string& program, const std::string& log,
                                           const std::string& prefix) {
  // Through env: SE_WINE may be a bare name on the PATH.
  return std::make_unique<Program>(
      "/usr/bin/env",
      std::vector<std::string>{"WINEPREFIX=" + (prefix.empty() ? prefix_ : prefix), wine_, program},
      Display(), (work_.Path() / log).string());
}

CommandResult WineWizard::RunWine(const std::vector<std::string>& args, const std::string& prefix) {
  std::vector<std::string> all{"env", "WINEPREFIX=" + prefix};
  all.insert(all.end(), args.begin(), args.end());
  return screen_test::Run(all, Display());
}

Window WineWizard::ClientOf(const Window& w, int clientW, int clientH) {
  const int side = (w.width - clientW) / 2;
  return Window{w.id, w.x + side, w.y + w.height - clientH - side, clientW, clientH};
}

Window WineWizard::MainClient(const Window& w, int dpi) {
  const int width = (kClientW * dpi + 48) / 96, height = (kClientH * dpi + 48) / 96;
  const Window c = ClientOf(w, width, height);
  EXPECT_EQ((w.width - width) % 2, 0) << "client area " << width << " wide";
  EXPECT_GT(c.y - w.y, c.x - w.x) << "a caption above the client area";
  return c;
}

fs::path WineWizard::HostDir(const std::string& underDriveC) const {
  return fs::path(prefix_) / "drive_c" / underDriveC;
}

ViewLook WineWizard::LookOf(const Image& client) {
  return {client.At(200, 395), client.At(300, 375), client.At(300, 376), kJpegTolerance};
}

}  // namespace screen_test
