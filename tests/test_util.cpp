// Test helpers: scratch folders, files, processes, PNG reading and sound files.
#include "test_util.h"

#include "core/problems.h"
#include "platform/fsound.h"
#include "platform/window.h"

#include <png.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>

TempDir::TempDir()
{
    char pattern[] = "/tmp/kesrow-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made ? made : "/tmp";
}

TempDir::~TempDir()
{
    if (path != "/tmp")
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
}

namespace
{
// Every test program, and every game a test starts, keeps its settings in a folder of its own:
// no test reads or writes the user's settings file.
struct privateSettingsFolder
{
    TempDir folder;
    privateSettingsFolder() { setenv("XDG_CONFIG_HOME", folder.path.c_str(), 1); }
} gPrivateSettings;
} // namespace

ConsoleCapture::ConsoleCapture() : saved(toConsole)
{
    // A capture starts a report period of its own, as a game tick does: lines said before do not
    // hold back the same lines said now.
    EndConsolePeriod();
    Lines().clear();
    toConsole = [](const char* text) { Lines().push_back(text); };
}

ConsoleCapture::~ConsoleCapture()
{
    toConsole = saved;
}

std::vector<std::string>& ConsoleCapture::Lines()
{
    static std::vector<std::string> lines;
    return lines;
}

bool ConsoleCapture::Has(const std::string& part) const
{
    for (const std::string& line : Lines())
        if (line.find(part) != std::string::npos) return true;
    return false;
}

bool WriteTextFile(const std::string& path, const std::string& text)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool FileExists(const std::string& path)
{
    return std::filesystem::exists(path);
}

int RunCommand(const std::string& command, std::string* output)
{
    std::string full = command + " 2>&1";
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        if (output) output->append(buf, n);
    int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string WindowedCommand(const std::string& command)
{
    return "ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" " + command;
}

std::string KesrowExe()
{
    return KESROW_EXE;
}
std::string SourceDir()
{
    return KESROW_SOURCE_DIR;
}
std::string BinaryDir()
{
    return KESROW_BINARY_DIR;
}

PngImage ReadPng(const std::string& path)
{
    PngImage img;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return img;
    image.format = PNG_FORMAT_RGBA;
    img.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, img.rgba.data(), 0, nullptr))
    {
        png_image_free(&image);
        img.rgba.clear();
        return img;
    }
    img.width = image.width;
    img.height = image.height;
    img.ok = true;
    return img;
}

bool WriteTestPng(const std::string& path, int width, int height, int colorType, int bitDepth,
                  const std::vector<unsigned char>& data, const std::vector<unsigned char>& palette,
                  const std::vector<unsigned char>& trns, bool interlaced)
{
    WriteTextFile(path, ""); // makes the folders
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png); // libpng aborts on a writing error
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, (png_colorp)palette.data(), int(palette.size() / 3));
    if (!trns.empty()) png_set_tRNS(png, info, trns.data(), int(trns.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> rows(height);
    for (int y = 0; y < height; ++y)
        rows[y] = (png_bytep)data.data() + png_get_rowbytes(png, info) * y;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
}

bool EnsureTestGL()
{
    char err[256];
    static bool gl =
        PLT_InitVideo(err, sizeof err) && PLT_CreateWindow("test", 64, 64, 24, 0, err, sizeof err);
    return gl;
}

static long StatusKB(const char* key)
{
    FILE* status = fopen("/proc/self/status", "r");
    char line[256];
    long value = -1;
    while (status && fgets(line, sizeof line, status))
        if (strncmp(line, key, strlen(key)) == 0) value = atol(line + strlen(key));
    if (status) fclose(status);
    return value;
}

long PeakRiseKB(const std::function<void()>& run)
{
    FILE* clear = fopen("/proc/self/clear_refs", "w");
    bool reset = clear && fputs("5", clear) >= 0;
    if (clear) reset = fclose(clear) == 0 && reset;
    if (!reset) return -1;
    long start = StatusKB("VmRSS:");
    rlimit saved;
    getrlimit(RLIMIT_AS, &saved);
    rlimit cap = saved;
    rlim_t wanted = rlim_t(StatusKB("VmSize:") + 512 * 1024) * 1024;
    if (cap.rlim_cur == RLIM_INFINITY || cap.rlim_cur > wanted) cap.rlim_cur = wanted;
    setrlimit(RLIMIT_AS, &cap);
    run();
    setrlimit(RLIMIT_AS, &saved);
    return StatusKB("VmHWM:") - start;
}

std::vector<std::string> ProblemCapture::problems;

ProblemCapture::ProblemCapture() : saved(gProblemSink)
{
    problems.clear();
    gProblemSink = [](const char* file, int line, const char* message)
    { problems.push_back(std::string(file ? file : "null") + ":" + std::to_string(line) + ": " + message); };
}

ProblemCapture::~ProblemCapture()
{
    gProblemSink = saved;
}

bool WriteSound(const std::string& path, int channels, int frames, int format,
                const std::function<float(int, int)>& value)
{
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) // float files may go past full scale
        sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    std::vector<float> data(size_t(frames) * channels);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = value(int(i / channels), int(i % channels));
    sf_count_t written = sf_writef_float(file, data.data(), frames);
    sf_close(file);
    return written == frames;
}

bool WriteTone(const std::string& path)
{
    return WriteSound(path, 1, 44100, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                      [](int f, int) { return 0.5f * std::sin(2.0f * float(M_PI) * 441.0f * f / 44100); });
}

SideLevels LoopbackLevels(int frames, int settle)
{
    std::vector<float> buffer(2 * size_t(std::max(settle, frames)));
    if (settle > 0) FSOUND_RenderLoopback(buffer.data(), settle);
    FSOUND_RenderLoopback(buffer.data(), frames);
    double sum[2] = {0, 0};
    for (int i = 0; i < 2 * frames; i++)
        sum[i % 2] += double(buffer[i]) * buffer[i];
    return {std::sqrt(sum[0] / frames), std::sqrt(sum[1] / frames)};
}
