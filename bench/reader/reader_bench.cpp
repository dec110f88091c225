// Sequential frame rate through the reader against FFmpeg's CLI decoding the same
// file, median of several runs each. Also the rate of the import's way of reading
// (one Start and one Stop per frame, positions in order).
//
//   reader_bench [runs] [file.wmv]
//
// Without a file it makes a 640x480, 30 fps, 40 s wmv1 clip (long enough that the
// CLI's start-up does not dominate) with ffmpeg in /tmp.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <sys/resource.h>
#include <string>
#include <thread>
#include <vector>

#include "wmf.h"

namespace {

using Clock = std::chrono::steady_clock;

class CountingCallback final : public IWMReaderCallback {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **object) override {
    if (riid == IID_IUnknown || riid == IID_IWMStatusCallback || riid == IID_IWMReaderCallback) {
      *object = static_cast<IWMReaderCallback *>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStatus(WMT_STATUS status, HRESULT, WMT_ATTR_DATATYPE, BYTE *, void *) override {
    if (status == WMT_OPENED || status == WMT_EOF || status == WMT_STOPPED) {
      std::lock_guard<std::mutex> hold(lock);
      ++events;
      changed.notify_all();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnSample(DWORD output, QWORD, QWORD, DWORD, INSSBuffer *sample, void *) override {
    if (output != 0) return S_OK;
    BYTE *bytes = nullptr;
    sample->GetBuffer(&bytes);
    checksum += bytes[0];  // touch the picture as a receiver would
    ++frames;
    if (stopAtFrame && reader) reader->Stop(), stopAtFrame = false;
    return S_OK;
  }
  void WaitEvents(int count) {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return events >= count; });
  }

  std::mutex lock;
  std::condition_variable changed;
  int events = 0;
  std::atomic<int> frames{0};
  unsigned checksum = 0;
  IWMReader *reader = nullptr;
  bool stopAtFrame = false;
};

// CPU seconds used so far by this process's threads, and by its finished children:
// figures that the machine's other load does not inflate.
double OwnCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

double ChildCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Frames per second of one whole sequential play; *frames receives the count.
double ReaderRun(const std::u16string &path, int *frames, bool importWay, double *cpuSeconds = nullptr) {
  IWMReader *reader = nullptr;
  if (WMCreateReaderPriv(&reader) != S_OK) return 0;
  CountingCallback callback;
  if (reader->Open(reinterpret_cast<const WCHAR *>(path.c_str()), &callback, nullptr) != S_OK) return 0;
  callback.WaitEvents(1);
  const Clock::time_point start = Clock::now();
  const double cpuStart = OwnCpuSeconds();
  if (!importWay) {
    reader->Start(0, 0, 1.0f, nullptr);
    callback.WaitEvents(2);
  } else {
    // As the import reads: each frame its own Start, stopped from the callback.
    callback.reader = reader;
    for (int n = 0;; ++n) {
      const int before = callback.frames;
      callback.stopAtFrame = true;
      reader->Start(static_cast<QWORD>(n) * 10000000 / 30, 0, 1.0f, nullptr);
      callback.WaitEvents(2 + n);
      if (callback.frames == before) break;  // past the end
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (cpuSeconds) *cpuSeconds = OwnCpuSeconds() - cpuStart;
  *frames = callback.frames;
  reader->Close();
  reader->Release();
  return callback.frames / seconds;
}

// Seconds the CLI takes to decode `limit` (empty: all) of the file.
double FfmpegSeconds(const std::string &path, const std::string &limit, double *cpuSeconds) {
  const std::string command =
      "ffmpeg -nostdin -hide_banner -loglevel error -i '" + path + "' " + limit + " -f null - </dev/null";
  const Clock::time_point start = Clock::now();
  const double cpuStart = ChildCpuSeconds();
  if (std::system(command.c_str()) != 0) return 0;
  *cpuSeconds = ChildCpuSeconds() - cpuStart;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::string path = argc > 2 ? argv[2] : "/tmp/qv-reader-bench-640x480-40s.wmv";
  if (argc <= 2) {
    const std::string make = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=640x480:rate=30"
                             " -t 40 -c:v wmv1 -b:v 2000k '" + path + "' </dev/null";
    if (std::system(make.c_str()) != 0) {
      std::fprintf(stderr, "ffmpeg could not make %s\n", path.c_str());
      return 1;
    }
  }
  const std::u16string wide(path.begin(), path.end());
  std::vector<double> reader, importWay, ffmpeg, ffmpegDecodeOnly, readerCpu, ffmpegCpu;
  int frames = 0, importFrames = 0;
  for (int i = 0; i < runs; ++i) {
    double cpu = 0;
    reader.push_back(ReaderRun(wide, &frames, false, &cpu));
    readerCpu.push_back(cpu > 0 ? frames / cpu : 0);
    importWay.push_back(ReaderRun(wide, &importFrames, true));
    double wholeCpu = 0, startUpCpu = 0;
    const double whole = FfmpegSeconds(path, "", &wholeCpu);
    ffmpeg.push_back(whole > 0 ? frames / whole : 0);
    // The CLI's own start-up and first frame, left out in the second figure.
    const double startUp = FfmpegSeconds(path, "-frames:v 1", &startUpCpu);
    ffmpegDecodeOnly.push_back(whole > startUp ? (frames - 1) / (whole - startUp) : 0);
    ffmpegCpu.push_back(wholeCpu > startUpCpu ? (frames - 1) / (wholeCpu - startUpCpu) : 0);
  }
  const double ours = Median(reader), theirs = Median(ffmpeg);
  std::printf("file: %s, %d frames, %d runs each (median)\n", path.c_str(), frames, runs);
  std::printf("reader, one Start:               %8.1f frames/s\n", ours);
  std::printf("reader, Start+Stop per frame:    %8.1f frames/s (%d frames)\n", Median(importWay), importFrames);
  std::printf("ffmpeg -i FILE -f null -:        %8.1f frames/s\n", theirs);
  std::printf("ffmpeg, start-up left out:       %8.1f frames/s\n", Median(ffmpegDecodeOnly));
  std::printf("ratio reader / ffmpeg:           %8.2f (goal >= 0.80)\n", theirs > 0 ? ours / theirs : 0.0);
  std::printf("per CPU second: reader %.1f, ffmpeg without start-up %.1f frames, ratio %.2f\n",
              Median(readerCpu), Median(ffmpegCpu),
              Median(ffmpegCpu) > 0 ? Median(readerCpu) / Median(ffmpegCpu) : 0.0);
  std::printf("ratio without ffmpeg's start-up: %8.2f\n",
              Median(ffmpegDecodeOnly) > 0 ? ours / Median(ffmpegDecodeOnly) : 0.0);
  return 0;
}
