// Test helpers: scratch folders, files, processes and PNG reading.
#include "test_util.h"

#include "core/problems.h"

#include <png.h>

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
