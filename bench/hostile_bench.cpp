// Benchmark (not a test): plays the hostile data folders of the content rules through the real
// game and prints, for each, how long the run took, the game's peak resident memory and how many
// console lines it wrote. Each folder loads one level "Levels/x" whose files are the hostile case.
// Run under xvfb-run: xvfb-run -a build/hostile_bench [seconds per run [game executable]]; a run
// that has not ended after its seconds (120 by default) is killed and marked. The game is the
// kesrow beside the benchmark unless another is named (an older build, to compare).
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

std::string gExe;
std::string gRoot;

bool Write(const std::string& path, const std::string& text)
{
    std::string folder = path.substr(0, path.rfind('/'));
    if (system(("mkdir -p '" + folder + "'").c_str()) != 0) return false;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

void Sparse(const std::string& path, long long size, const std::string& head = "")
{
    Write(path, head);
    if (truncate(path.c_str(), size) != 0) perror(path.c_str());
}

std::string BigEndian(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string Chunk(const char* type, const std::string& data)
{
    std::string body = type + data;
    uLong crc = crc32(0, (const Bytef*)body.data(), uInt(body.size()));
    return BigEndian(uint32_t(data.size())) + body + BigEndian(uint32_t(crc));
}

// A side x side black RGBA PNG, deflated as tight as zlib goes: 8192 makes about 250 KB.
std::string BlackPng(uint32_t side)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    deflateInit(&z, 9);
    std::vector<unsigned char> row(1 + size_t(side) * 4, 0), out(1 << 20);
    std::string packed;
    for (uint32_t y = 0; y < side; y++)
    {
        z.next_in = row.data();
        z.avail_in = uInt(row.size());
        int flush = y + 1 == side ? Z_FINISH : Z_NO_FLUSH;
        do
        {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            packed.append((const char*)out.data(), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    std::string header = BigEndian(side) + BigEndian(side) + std::string("\x08\x06\0\0\0", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", packed) +
           Chunk("IEND", "");
}

// A WAV header for 16-bit stereo at 44.1 kHz claiming dataBytes of sound.
std::string WavHeader(uint32_t dataBytes)
{
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    return "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + le16(1) + le16(2) + le32(44100) +
           le32(44100 * 4) + le16(4) + le16(16) + "data" + le32(dataBytes);
}

// A data folder whose start-up script loads Levels/x, which has a start and the case's files.
std::string Folder(const std::string& name)
{
    std::string dir = gRoot + "/" + name + "/";
    Write(dir + "Data/game script", "level \"Levels/x\"\n");
    Write(dir + "Levels/x/starting", "0\n1\n0\n0\n0\n0\n");
    Write(dir + "Models/box", "box\nmodel\n0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n"
                              "MATERIAL Plain 65535 65535 65535 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\nEND\n");
    return dir;
}

struct runResult
{
    double seconds;
    long peakKB;
    int lines;
    bool timedOut;
};

runResult Play(const std::string& dir, int frames, int limitSeconds)
{
    std::string log = dir + "console.txt";
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0)
    {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        setenv("ALSOFT_DRIVERS", "null", 1);
        std::string f = std::to_string(frames);
        execl(gExe.c_str(), gExe.c_str(), "--data", dir.c_str(), "--windowed", "320x240", "--frames",
              f.c_str(), "--fixed-step", "20", (char*)nullptr);
        _exit(127);
    }
    runResult r = {0, 0, 0, false};
    int status = 0;
    rusage usage;
    memset(&usage, 0, sizeof usage);
    for (;;)
    {
        pid_t done = wait4(child, &status, WNOHANG, &usage);
        if (done == child) break;
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(limitSeconds))
        {
            kill(child, SIGKILL);
            wait4(child, &status, 0, &usage);
            r.timedOut = true;
            break;
        }
        usleep(20000);
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKB = usage.ru_maxrss;
    if (FILE* f = fopen(log.c_str(), "rb"))
    {
        for (int c; (c = fgetc(f)) != EOF;)
            r.lines += c == '\n';
        fclose(f);
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    int limit = argc > 1 ? atoi(argv[1]) : 120;
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    self[n] = 0;
    gExe = argc > 2 ? argv[2] : std::string(self).substr(0, std::string(self).rfind('/')) + "/kesrow";
    char scratch[] = "/tmp/kesrow-hostile-XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    gRoot = scratch;

    struct benchCase
    {
        const char* what;
        std::function<std::string()> make;
        int frames;
    };
    const std::string black = BlackPng(8192);
    const benchCase cases[] = {
        {"the demo-sized level itself (baseline)", [] { return Folder("baseline"); }, 3},
        {"person is a FIFO",
         []
         {
             std::string d = Folder("fifo");
             mkfifo((d + "Levels/x/person").c_str(), 0600);
             return d;
         },
         3},
        {"person is a link to /dev/zero",
         []
         {
             std::string d = Folder("zero");
             symlink("/dev/zero", (d + "Levels/x/person").c_str());
             return d;
         },
         3},
        {"person is a sparse 1 GB file",
         []
         {
             std::string d = Folder("sparse");
             Sparse(d + "Levels/x/person", 1LL << 30);
             return d;
         },
         3},
        {"level models of 15 MB naming a missing model",
         []
         {
             std::string d = Folder("missing"), line = "ghost,0,0,0,0,0,0,100\n", text;
             while (text.size() + line.size() < (15u << 20))
                 text += line;
             Write(d + "Levels/x/level models", text);
             return d;
         },
         3},
        {"tex lists ten 8192x8192 PNGs of 250 KB",
         [&black]
         {
             std::string d = Folder("huge"), list;
             for (int i = 0; i < 10; i++)
             {
                 Write(d + "p/" + std::to_string(i) + ".png", black);
                 list += "p/" + std::to_string(i) + ".png\n";
             }
             Write(d + "Levels/x/tex", list);
             return d;
         },
         3},
        {"tex names one 2 KB PNG 20,000 times",
         []
         {
             std::string d = Folder("many"), list;
             Write(d + "p/small.png", BlackPng(64));
             for (int i = 0; i < 20000; i++)
                 list += "p/small.png\n";
             Write(d + "Levels/x/tex", list);
             return d;
         },
         3},
        {"20 sound slots name one sparse 100 MB WAV",
         []
         {
             std::string d = Folder("wav"), list;
             Sparse(d + "Sounds/big.wav", 44 + (100LL << 20), WavHeader(100u << 20));
             for (int i = 0; i < 20; i++)
                 list += std::to_string(i) + " Sounds/big.wav\n";
             Write(d + "Sounds/list", list);
             return d;
         },
         3},
        {"make past the roster limit 200,000 times",
         []
         {
             std::string d = Folder("flood");
             Write(d + "Levels/x/load script", "repeat 200000\nmake \"box\"\nendrepeat\n");
             return d;
         },
         4},
    };
    printf("%-48s %9s %12s %9s\n", "case", "seconds", "peak RSS MB", "lines");
    for (const benchCase& c : cases)
    {
        runResult r = Play(c.make(), c.frames, limit);
        printf("%-48s %9.2f %12.1f %9d%s\n", c.what, r.seconds, r.peakKB / 1024.0, r.lines,
               r.timedOut ? "  (killed: did not end)" : "");
        fflush(stdout);
    }
    std::string cleanup = "rm -rf '" + gRoot + "'";
    return system(cleanup.c_str()) == 0 ? 0 : 1;
}
