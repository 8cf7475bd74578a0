// The picture chooser over a folder of photos (500 of 4000 x 3000 by default): the
// time until the chooser stands full and the peak memory of the process; then one
// small JPEG that declares 30000 x 30000 pixels, loaded as the chooser loads a file.
// Each measure runs in a child process of its own, so its peak and its processor time
// are its own (on a busy machine the processor time is the steadier figure).
//
//   picture_bench [photos] [width] [height]
//
// Run by hand; it is no test.
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "bench/benchfolder.h"
#include "browser/choosers/foto.h"
#include "common/notifier.h"
#include "common/winpath.h"
#include "ui/bitmap.h"
#include "ui/headless/headless.h"

namespace {

using Clock = std::chrono::steady_clock;

// A photo-like picture: smooth areas with some detail, so that it neither packs to
// nothing nor is pure noise.
ui::Bitmap Photo(int w, int h) {
  ui::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &b.rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / w);
      p[1] = static_cast<std::uint8_t>(y * 255 / h);
      p[2] = static_cast<std::uint8_t>(((x / 7) ^ (y / 5)) * 37);
    }
  return b;
}

// A 16 x 16 JPEG whose frame header declares w x h.
std::vector<std::uint8_t> Declaring(int w, int h) {
  std::vector<std::uint8_t> j = ui::EncodeJpeg(ui::Bitmap(16, 16, ui::colors::Red));
  for (std::size_t i = 0; i + 8 < j.size(); ++i)
    if (j[i] == 0xFF && (j[i + 1] == 0xC0 || j[i + 1] == 0xC2)) {  // SOF0 / SOF2
      j[i + 5] = static_cast<std::uint8_t>(h >> 8);
      j[i + 6] = static_cast<std::uint8_t>(h);
      j[i + 7] = static_cast<std::uint8_t>(w >> 8);
      j[i + 8] = static_cast<std::uint8_t>(w);
      break;
    }
  return j;
}

// Runs `work` in a child; prints its line, its time and its peak resident memory.
void Measure(const char* what, const std::function<std::string()>& work) {
  std::fflush(stdout);
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeFd[0]);
    const auto start = Clock::now();
    std::string said;
    try {
      said = work();
    } catch (const std::exception& e) {
      said = std::string("failed: ") + e.what();
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const std::string line = std::to_string(ms) + " " + said;
    (void)!write(pipeFd[1], line.data(), line.size());
    _exit(0);
  }
  close(pipeFd[1]);
  std::string line;
  char buf[512];
  for (ssize_t n; (n = read(pipeFd[0], buf, sizeof buf)) > 0;) line.append(buf, static_cast<std::size_t>(n));
  close(pipeFd[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const std::size_t space = line.find(' ');
  const double ms = space == std::string::npos ? 0 : std::atof(line.c_str());
  const double cpu = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  std::printf("%-26s %8.0f ms (processor %6.2f s)  peak %7.0f MB  %s%s\n", what, ms, cpu, usage.ru_maxrss / 1024.0,
              space == std::string::npos ? "" : line.substr(space + 1).c_str(),
              WIFSIGNALED(status) ? (" killed by signal " + std::to_string(WTERMSIG(status))).c_str() : "");
}

}  // namespace

int main(int argc, char** argv) {
  const int photos = argc > 1 ? std::atoi(argv[1]) : 500;
  const int width = argc > 2 ? std::atoi(argv[2]) : 4000;
  const int height = argc > 3 ? std::atoi(argv[3]) : 3000;
  bench::BenchFolder folder("picture_bench");
  common::Drives().Set("C", folder.path);
  std::filesystem::create_directories(folder.path + "/FOTO");
  const std::string first = folder.path + "/FOTO/foto0001.jpg";
  ui::SaveJpegFile(Photo(width, height), first);
  const auto bytes = std::filesystem::file_size(first);
  for (int i = 2; i <= photos; ++i) {  // links: the same bytes, no disk space
    char name[32];
    std::snprintf(name, sizeof name, "/FOTO/foto%04d.jpg", i);
    std::filesystem::create_hard_link(first, folder.path + name);
  }
  const std::vector<std::uint8_t> big = Declaring(30000, 30000);
  std::ofstream(folder.path + "/big.jpg", std::ios::binary).write(reinterpret_cast<const char*>(big.data()),
                                                                   static_cast<std::streamsize>(big.size()));
  std::printf("%d photos of %d x %d (%.1f MB each); a JPEG of %zu bytes declaring 30000 x 30000\n", photos, width,
              height, bytes / 1048576.0, big.size());

  Measure("chooser over the photos", [&] {
    common::RecordingNotifier notes;
    common::ScopedNotifier scoped(notes);
    ui::headless::HeadlessBackend backend;
    std::string shown;
    backend.AnswerNextModal([&](ui::Form&) {
      const browser::TfFotoDialog& d = browser::fFotoDialog();
      std::size_t pixels = 0;
      for (const ui::Image* t : d.Thumbnails) pixels += static_cast<std::size_t>(t->picture().width) * t->picture().height;
      shown = std::to_string(d.ThumbnailCount) + " thumbnails, " + std::to_string(pixels / std::max(d.ThumbnailCount, 1)) +
              " pixels each";
      backend.Press(ui::vk::Esc);
    });
    browser::ChoosePictureFile("Vyber", "c:\\FOTO\\", "*.jpg");
    return shown;
  });
  Measure("the 30000 x 30000 JPEG", [&] {
    const ui::Bitmap b = ui::LoadPictureFile(folder.path + "/big.jpg");
    return "decoded " + std::to_string(b.width) + " x " + std::to_string(b.height);
  });
  return 0;
}
