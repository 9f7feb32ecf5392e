// The floor of the per-page capture work: an MIT-SHM grab of only the region,
// tjCompress2 with the program's settings, and a write; in a tight loop, or
// with a pause between pages (not timed) as a run has between its ticks.
//   pagerook_floor X Y W H PAGES OUTDIR [PAUSE_MS]   -> a line per page: milliseconds
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <turbojpeg.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 7 && argc != 8) {
    std::fprintf(stderr, "usage: %s X Y W H PAGES OUTDIR [PAUSE_MS]\n", argv[0]);
    return 2;
  }
  int x = std::atoi(argv[1]), y = std::atoi(argv[2]), w = std::atoi(argv[3]),
      h = std::atoi(argv[4]), pages = std::atoi(argv[5]);
  std::string out = argv[6];
  const std::chrono::milliseconds pause(argc == 8 ? std::atoi(argv[7]) : 0);
  Display* d = XOpenDisplay(nullptr);
  if (!d || !XShmQueryExtension(d)) {
    std::fprintf(stderr, "no display with MIT-SHM\n");
    return 1;
  }
  int screen = DefaultScreen(d);
  XShmSegmentInfo shm{};
  XImage* image = XShmCreateImage(d, DefaultVisual(d, screen), DefaultDepth(d, screen), ZPixmap,
                                  nullptr, &shm, w, h);
  shm.shmid = shmget(IPC_PRIVATE, image->bytes_per_line * image->height, IPC_CREAT | 0600);
  shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
  shm.readOnly = False;
  XShmAttach(d, &shm);
  XSync(d, False);
  shmctl(shm.shmid, IPC_RMID, nullptr);
  tjhandle tj = tjInitCompress();
  unsigned long capacity = tjBufSize(w, h, TJSAMP_444);
  unsigned char* buffer = tjAlloc(static_cast<int>(capacity));
  for (int page = 0; page < pages; ++page) {
    if (page > 0 && pause.count() > 0) std::this_thread::sleep_for(pause);
    auto start = std::chrono::steady_clock::now();
    XShmGetImage(d, RootWindow(d, screen), image, x, y, AllPlanes);
    unsigned long size = capacity;
    tjCompress2(tj, reinterpret_cast<unsigned char*>(image->data), w, image->bytes_per_line, h,
                TJPF_BGRX, &buffer, &size, TJSAMP_444, 80, TJFLAG_NOREALLOC);
    std::string path = out + "/" + std::to_string(page % 10) + ".jpg";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(buffer, 1, size, f);
    std::fclose(f);
    auto end = std::chrono::steady_clock::now();
    std::printf("%.3f\n", std::chrono::duration<double, std::milli>(end - start).count());
  }
  tjFree(buffer);
  tjDestroy(tj);
  XShmDetach(d, &shm);
  XDestroyImage(image);
  shmdt(shm.shmaddr);
  XCloseDisplay(d);
  return 0;
}
