#include "support/screen/ScreenSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace screen_test {

namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutBe32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

std::vector<char*> Argv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

std::string ToString(Rgb c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", c.r, c.g, c.b);
  return text;
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::vector<uint8_t> BmpBytes(int width, int height, const std::function<Rgb(int, int)>& pixel) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> out{'B', 'M'};
  PutLe(out, static_cast<uint32_t>(54 + stride * height), 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<uint32_t>(width), 4);
  PutLe(out, static_cast<uint32_t>(height), 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  for (int i = 0; i < 6; ++i) PutLe(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    out.insert(out.end(), static_cast<size_t>(stride - width * 3), 0);
  }
  return out;
}

std::vector<uint8_t> PngBytes(int width, int height, Rgb fill) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    for (int x = 0; x < width; ++x) raw.insert(raw.end(), {fill.r, fill.g, fill.b});
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(size);
  compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(size);
  std::vector<uint8_t> out{0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(width));
  PutBe32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  PngChunk(out, "IHDR", header);
  PngChunk(out, "IDAT", packed);
  PngChunk(out, "IEND", {});
  return out;
}

Rgb Image::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const size_t i = (static_cast<size_t>(y) * width + x) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

Image Image::Crop(int x, int y, int w, int h) const {
  Image out{w, h, {}};
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const Rgb c = At(x + i, y + j);
      out.rgb.insert(out.rgb.end(), {c.r, c.g, c.b});
    }
  return out;
}

XServer::XServer() {
  int fds[2];
  if (pipe(fds) != 0) {
    error_ = "no pipe";
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    const std::string fd = std::to_string(fds[1]);
    const std::vector<std::string> args{"Xvfb",        "-displayfd", fd,    "-screen", "0",
                                        "1024x768x24", "-nolisten",  "tcp", "-noreset"};
    std::vector<char*> argv = Argv(args);
    execvp("Xvfb", argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    error_ = "cannot fork";
    return;
  }
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline && number.find('\n') == std::string::npos) {
    if (poll(&p, 1, 200) <= 0) continue;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    error_ = "Xvfb did not start (is the xvfb package installed?)";
    return;
  }
  display_ = ":" + number.substr(0, number.find('\n'));
}

XServer::~XServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

CommandResult Run(const std::vector<std::string>& args, const std::string& display) {
  CommandResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], 1);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 2);
    setenv("DISPLAY", display.c_str(), 1);
    std::vector<char*> argv = Argv(args);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  char buffer[65536];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
    result.out.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

Image Screenshot(const std::string& display) {
  const CommandResult r = Run({"import", "-window", "root", "-depth", "8", "rgb:-"}, display);
  Image image{XServer::kWidth, XServer::kHeight, {}};
  if (r.status != 0 || r.out.size() != static_cast<size_t>(image.width) * image.height * 3) return {};
  image.rgb.assign(r.out.begin(), r.out.end());
  return image;
}

void SavePng(const Image& image, const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const std::string raw = path + ".rgb";
  {
    std::ofstream out(raw, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.rgb.data()),
              static_cast<std::streamsize>(image.rgb.size()));
  }
  const std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
  Run({"convert", "-size", size, "-depth", "8", "rgb:" + raw, "png:" + path}, "");
  std::filesystem::remove(raw);
}

std::string ScreenshotDir() {
  if (const char* dir = std::getenv("SE_SCREENSHOT_DIR")) return dir;
  return std::string(SE_BINARY_DIR) + "/screenshots";
}

Program::Program(const std::string& path, const std::vector<std::string>& args, const std::string& display,
                 const std::string& logPath) {
  pid_ = fork();
  if (pid_ != 0) return;
  const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(log, 1);
  dup2(log, 2);
  setenv("DISPLAY", display.c_str(), 1);
  std::vector<std::string> all{path};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv = Argv(all);
  execv(path.c_str(), argv.data());
  _exit(127);
}

Program::~Program() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool Program::Running() {
  if (pid_ <= 0 || status_) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  return true;
}

std::optional<int> Program::Wait(double seconds) {
  WaitUntil([this] { return !Running(); }, seconds);
  return status_;
}

std::optional<Window> FindWindow(const std::string& display, const std::string& namePattern) {
  const CommandResult found = Run({"xdotool", "search", "--onlyvisible", "--name", namePattern}, display);
  std::istringstream ids(found.out);
  std::string id;
  if (!(ids >> id)) return std::nullopt;
  const CommandResult geometry = Run({"xdotool", "getwindowgeometry", "--shell", id}, display);
  Window w{id};
  std::istringstream lines(geometry.out);
  for (std::string line; std::getline(lines, line);) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const int value = std::atoi(line.c_str() + eq + 1);
    if (key == "X") w.x = value;
    if (key == "Y") w.y = value;
    if (key == "WIDTH") w.width = value;
    if (key == "HEIGHT") w.height = value;
  }
  return w;
}

namespace {

// xdotool's "mousemove --sync" waits for the pointer to move, which it never does when
// it is already there (the wait then lasts its 15-second limit): step beside the point
// first.
std::vector<std::string> MoveTo(int x, int y) {
  return {"xdotool",   "mousemove", std::to_string(x + 1), std::to_string(y),
          "mousemove", "--sync",    std::to_string(x),     std::to_string(y)};
}

}  // namespace

void Click(const std::string& display, int x, int y) {
  std::vector<std::string> args = MoveTo(x, y);
  args.insert(args.end(), {"click", "1"});
  Run(args, display);
}

void KeyOver(const std::string& display, const Window& window, const std::string& key) {
  std::vector<std::string> args = MoveTo(window.x + window.width / 2, window.y + window.height / 2);
  args.insert(args.end(), {"key", key});
  Run(args, display);
}

bool WaitUntil(const std::function<bool()>& condition, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  return true;
}

}  // namespace screen_test
