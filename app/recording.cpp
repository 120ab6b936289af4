// The recording file's format: the text header, the checked blocks and the entries in them, the
// writer that appends blocks as the game plays, and the reader that trusts none of it.
//
// file   -> header block*
// header -> "KESROW-RECORDING" ' ' format '\n' (key ' ' value '\n')* "crc" ' ' hex8 '\n'
//           (the crc line holds the CRC-32 of every header byte before it)
// block  -> 0xC7 length:u32le crc:u32le entry{length bytes}   (crc: CRC-32 of the entries)
// entry  -> 0x00..0x3F                       a pass whose clock moved by that many ms
//         | 0x40..0x7F                       the same for a pass that ran no tick (step + 0x40)
//         | 0x80 step:zigzag | 0x83 step:zigzag   a pass (any step); 0x83: it ran no tick
//         | 0x81                             the next tick of the same pass
//         | 0x82 flags [keys] [typed] [move] a tick's changed input (flags: 1 keys, 2 typed, 4 move)
//             keys  -> n:var (code:u8 state:u8){n}   state 0 up, 1 pressed since the last poll,
//                                                    2 held, 3 held and pressed since the last poll
//             typed -> n:var entry:var{n}            characters 32..126, 256 + key code
//             move  -> dx:zigzag dy:zigzag
//         | 0x90 w:var h:var cw:var ch:var   the window's new size
//         | 0x91 gained:u8 | 0x92            focus; closed
//         | 0xA0 reading:var | 0xA1 virtual:u8 | 0xA2 n:var byte{n} | 0xA3 check:u32le
//         | 0xFF n:var byte{n} check:u32le   the end, with why the game ended
// var: unsigned LEB128 of at most 10 bytes; zigzag: a signed number as a var.
#include "app/recording.h"

#include <zlib.h>

#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kRecordingMagic = "KESROW-RECORDING";

namespace
{

const unsigned char kBlockMarker = 0xC7;
const int kBlockHeadBytes = 9;

enum
{
    kByteLongPass = 0x80,
    kByteLongPassNoTick = 0x83,
    kByteNextTick = 0x81,
    kByteTick = 0x82,
    kByteResize = 0x90,
    kByteFocus = 0x91,
    kByteClosed = 0x92,
    kByteWatchdog = 0xA0,
    kByteVirtual = 0xA1,
    kByteLine = 0xA2,
    kByteCheck = 0xA3,
    kByteEnd = 0xFF,
};

// Steps, watchdog readings and window sizes past these are damage, not play.
const int64_t kStepMax = (int64_t)1 << 40;
const int64_t kReadingMax = (int64_t)1 << 62;
const uint64_t kSizeMax = 65535;
const int kEndReasonMax = 63;

const int16_t kKeyStates[4] = {0, 1, INT16_MIN, (int16_t)(INT16_MIN | 1)};

int KeyStateIndex(int16_t state)
{
    return (state < 0 ? 2 : 0) | (state & 1);
}

// Appending bytes to an entry being encoded; `over` once it no longer fits.
struct encoder
{
    unsigned char* out;
    int max, used;
    bool over;
    void Byte(unsigned v)
    {
        if (used >= max)
            over = true;
        else
            out[used++] = (unsigned char)v;
    }
    void Var(uint64_t v)
    {
        while (v >= 0x80)
        {
            Byte((unsigned)(v & 0x7F) | 0x80);
            v >>= 7;
        }
        Byte((unsigned)v);
    }
    void Zigzag(int64_t v) { Var(((uint64_t)v << 1) ^ (uint64_t)(v >> 63)); }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; i++)
            Byte((v >> (8 * i)) & 0xFF);
    }
};

// Reading an entry's bytes; `bad` once they run out or a value is malformed.
struct decoder
{
    const unsigned char* data;
    int n, at;
    bool bad;
    unsigned Byte()
    {
        if (at >= n)
        {
            bad = true;
            return 0;
        }
        return data[at++];
    }
    uint64_t Var()
    {
        uint64_t v = 0;
        for (int shift = 0; shift < 70; shift += 7)
        {
            const unsigned b = Byte();
            if (bad) return 0;
            if (shift == 63 && b > 1)
            {
                bad = true;
                return 0;
            }
            v |= (uint64_t)(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        bad = true;
        return 0;
    }
    // A var no larger than max.
    uint64_t Var(uint64_t max)
    {
        const uint64_t v = Var();
        if (v > max) bad = true;
        return bad ? 0 : v;
    }
    int64_t Zigzag(int64_t bound)
    {
        const uint64_t u = Var();
        const int64_t v = (int64_t)(u >> 1) ^ -(int64_t)(u & 1);
        if (v > bound || v < -bound) bad = true;
        return bad ? 0 : v;
    }
    uint32_t U32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; i++)
            v |= (uint32_t)Byte() << (8 * i);
        return v;
    }
    // n bytes of text without a NUL into out.
    void Text(char* out, uint64_t length)
    {
        for (uint64_t i = 0; i < length && !bad; i++)
        {
            const unsigned c = Byte();
            if (c == 0) bad = true;
            out[i] = (char)c;
        }
        out[bad ? 0 : length] = 0;
    }
};

void ClearOp(recordingOp* op, int kind)
{
    op->kind = kind;
    op->value = 0;
    op->noTick = 0;
    op->keyChanges = op->typedCount = 0;
    op->cursorDx = op->cursorDy = 0;
    memset(op->size, 0, sizeof op->size);
    op->text[0] = 0;
}

bool ValidTyped(int entry)
{
    return (entry >= 32 && entry <= 126) || (entry > 256 && entry < 512);
}

} // namespace

int IsRecordingAnnotation(int kind)
{
    return kind == kOpWatchdog || kind == kOpVirtual || kind == kOpLine || kind == kOpCheck;
}

int MakeTickOp(recordedInput* last, const int16_t keys[256], const int* typed, int typedCount, int cursorX,
               int cursorY, recordingOp* op)
{
    ClearOp(op, kOpTick);
    for (int code = 0; code < 256; code++)
    {
        const int16_t state = kKeyStates[KeyStateIndex(keys[code])];
        if (state == last->keys[code]) continue;
        op->keyCode[op->keyChanges] = (uint8_t)code;
        op->keyState[op->keyChanges++] = state;
        last->keys[code] = state;
    }
    for (int i = 0; i < typedCount && op->typedCount < kRecordedTypedMax; i++)
        if (ValidTyped(typed[i])) op->typed[op->typedCount++] = typed[i];
    // A cursor beyond the bounds is held at them: the recording stays readable.
    if (cursorX > kRecordedCursorMax) cursorX = kRecordedCursorMax;
    if (cursorX < -kRecordedCursorMax) cursorX = -kRecordedCursorMax;
    if (cursorY > kRecordedCursorMax) cursorY = kRecordedCursorMax;
    if (cursorY < -kRecordedCursorMax) cursorY = -kRecordedCursorMax;
    op->cursorDx = cursorX - last->cursorX;
    op->cursorDy = cursorY - last->cursorY;
    last->cursorX = cursorX;
    last->cursorY = cursorY;
    return op->keyChanges || op->typedCount || op->cursorDx || op->cursorDy;
}

int ApplyTickOp(recordedInput* input, const recordingOp* op)
{
    const int64_t x = (int64_t)input->cursorX + op->cursorDx, y = (int64_t)input->cursorY + op->cursorDy;
    if (x > kRecordedCursorMax || x < -kRecordedCursorMax || y > kRecordedCursorMax ||
        y < -kRecordedCursorMax)
        return 0;
    input->cursorX = (int32_t)x;
    input->cursorY = (int32_t)y;
    for (int i = 0; i < op->keyChanges && i < 256; i++)
        input->keys[op->keyCode[i]] = op->keyState[i];
    return 1;
}

int EncodeRecordingOp(const recordingOp* op, unsigned char* out, int max)
{
    encoder e = {out, max, 0, false};
    switch (op->kind)
    {
    case kOpPass:
        if (op->value < -kStepMax || op->value > kStepMax) return 0;
        if (op->value >= 0 && op->value < 0x40)
            e.Byte((unsigned)op->value | (op->noTick ? 0x40 : 0));
        else
        {
            e.Byte(op->noTick ? kByteLongPassNoTick : kByteLongPass);
            e.Zigzag(op->value);
        }
        break;
    case kOpNextTick:
        e.Byte(kByteNextTick);
        break;
    case kOpTick:
    {
        const bool moved = op->cursorDx || op->cursorDy;
        const unsigned flags = (op->keyChanges > 0 ? 1 : 0) | (op->typedCount > 0 ? 2 : 0) | (moved ? 4 : 0);
        if (!flags || op->keyChanges > 256 || op->typedCount > kRecordedTypedMax) return 0;
        e.Byte(kByteTick);
        e.Byte(flags);
        if (flags & 1)
        {
            e.Var((uint64_t)op->keyChanges);
            for (int i = 0; i < op->keyChanges; i++)
            {
                e.Byte(op->keyCode[i]);
                e.Byte((unsigned)KeyStateIndex(op->keyState[i]));
            }
        }
        if (flags & 2)
        {
            e.Var((uint64_t)op->typedCount);
            for (int i = 0; i < op->typedCount; i++)
            {
                if (!ValidTyped(op->typed[i])) return 0;
                e.Var((uint64_t)op->typed[i]);
            }
        }
        if (flags & 4)
        {
            if (op->cursorDx > 2 * kRecordedCursorMax || op->cursorDx < -2 * kRecordedCursorMax ||
                op->cursorDy > 2 * kRecordedCursorMax || op->cursorDy < -2 * kRecordedCursorMax)
                return 0;
            e.Zigzag(op->cursorDx);
            e.Zigzag(op->cursorDy);
        }
        break;
    }
    case kOpResize:
        e.Byte(kByteResize);
        for (int i = 0; i < 4; i++)
        {
            if (op->size[i] < 0 || (uint64_t)op->size[i] > kSizeMax) return 0;
            e.Var((uint64_t)op->size[i]);
        }
        break;
    case kOpFocus:
        e.Byte(kByteFocus);
        e.Byte(op->value ? 1 : 0);
        break;
    case kOpClosed:
        e.Byte(kByteClosed);
        break;
    case kOpWatchdog:
        if (op->value < 1 || op->value > kReadingMax) return 0;
        e.Byte(kByteWatchdog);
        e.Var((uint64_t)op->value);
        break;
    case kOpVirtual:
        e.Byte(kByteVirtual);
        e.Byte(op->value ? 1 : 0);
        break;
    case kOpLine:
    case kOpEnd:
    {
        const size_t length = strnlen(op->text, sizeof op->text);
        if (op->kind == kOpLine && (length == 0 || length > (size_t)kRecordedLineMax)) return 0;
        if (op->kind == kOpEnd && length > (size_t)kEndReasonMax) return 0;
        e.Byte(op->kind == kOpLine ? kByteLine : kByteEnd);
        e.Var(length);
        for (size_t i = 0; i < length; i++)
            e.Byte((unsigned char)op->text[i]);
        if (op->kind == kOpEnd) e.U32((uint32_t)op->value);
        break;
    }
    case kOpCheck:
        e.Byte(kByteCheck);
        e.U32((uint32_t)op->value);
        break;
    default:
        return 0;
    }
    return e.over ? 0 : e.used;
}

int DecodeRecordingOp(const unsigned char* data, int n, recordingOp* op)
{
    decoder d = {data, n, 0, false};
    const unsigned first = d.Byte();
    if (d.bad) return 0;
    if (first < 0x80)
    {
        ClearOp(op, kOpPass);
        op->value = first & 0x3F;
        op->noTick = (first & 0x40) != 0;
        return 1;
    }
    switch (first)
    {
    case kByteLongPass:
    case kByteLongPassNoTick:
        ClearOp(op, kOpPass);
        op->value = d.Zigzag(kStepMax);
        op->noTick = first == kByteLongPassNoTick;
        break;
    case kByteNextTick:
        ClearOp(op, kOpNextTick);
        break;
    case kByteTick:
    {
        ClearOp(op, kOpTick);
        const unsigned flags = d.Byte();
        if (!flags || (flags & ~7u)) return 0;
        if (flags & 1)
        {
            op->keyChanges = (int)d.Var(256);
            if (op->keyChanges == 0) d.bad = true;
            for (int i = 0; i < op->keyChanges && !d.bad; i++)
            {
                op->keyCode[i] = (uint8_t)d.Byte();
                const unsigned state = d.Byte();
                if (state > 3) d.bad = true;
                op->keyState[i] = kKeyStates[state & 3];
            }
        }
        if (flags & 2)
        {
            op->typedCount = (int)d.Var(kRecordedTypedMax);
            if (op->typedCount == 0) d.bad = true;
            for (int i = 0; i < op->typedCount && !d.bad; i++)
            {
                op->typed[i] = (int)d.Var(511);
                if (!ValidTyped(op->typed[i])) d.bad = true;
            }
        }
        if (flags & 4)
        {
            op->cursorDx = (int32_t)d.Zigzag(2 * (int64_t)kRecordedCursorMax);
            op->cursorDy = (int32_t)d.Zigzag(2 * (int64_t)kRecordedCursorMax);
            if (!op->cursorDx && !op->cursorDy) d.bad = true;
        }
        break;
    }
    case kByteResize:
        ClearOp(op, kOpResize);
        for (int i = 0; i < 4; i++)
            op->size[i] = (int32_t)d.Var(kSizeMax);
        break;
    case kByteFocus:
    case kByteVirtual:
        ClearOp(op, first == kByteFocus ? kOpFocus : kOpVirtual);
        op->value = d.Byte();
        if (op->value > 1) d.bad = true;
        break;
    case kByteClosed:
        ClearOp(op, kOpClosed);
        break;
    case kByteWatchdog:
        ClearOp(op, kOpWatchdog);
        op->value = (int64_t)d.Var((uint64_t)kReadingMax);
        if (op->value < 1) d.bad = true;
        break;
    case kByteLine:
    {
        ClearOp(op, kOpLine);
        const uint64_t length = d.Var(kRecordedLineMax);
        if (length == 0) d.bad = true;
        d.Text(op->text, d.bad ? 0 : length);
        break;
    }
    case kByteEnd:
        ClearOp(op, kOpEnd);
        d.Text(op->text, d.Var(kEndReasonMax));
        op->value = d.U32();
        break;
    case kByteCheck:
        ClearOp(op, kOpCheck);
        op->value = d.U32();
        break;
    default:
        return 0;
    }
    return d.bad ? 0 : d.at;
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace
{

// Writes all n bytes, going on after interruptions; only system calls, so a signal handler may
// use it.
bool WriteAll(int fd, const unsigned char* data, size_t n)
{
    while (n > 0)
    {
        const ssize_t done = write(fd, data, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done;
        n -= (size_t)done;
    }
    return true;
}

bool WriteBlock(int fd, const unsigned char* data, int n)
{
    const uint32_t crc = (uint32_t)crc32(0L, data, (uInt)n);
    unsigned char head[kBlockHeadBytes] = {kBlockMarker};
    for (int i = 0; i < 4; i++)
    {
        head[1 + i] = (unsigned char)((uint32_t)n >> (8 * i));
        head[5 + i] = (unsigned char)(crc >> (8 * i));
    }
    return WriteAll(fd, head, sizeof head) && WriteAll(fd, data, (size_t)n);
}

void Fail(recordingWriter* w, const char* what)
{
    if (w->failed) return;
    w->failed = 1;
    snprintf(w->failure, sizeof w->failure, "%s (%s)", what, strerror(errno));
}

// Header text values are single lines of printable characters.
void Printable(char* text)
{
    for (char* c = text; *c; c++)
        if ((unsigned char)*c < 32 || *c == 127) *c = '?';
}

} // namespace

int OpenRecordingWriter(recordingWriter* w, const char* path, char* err, int errSize)
{
    w->used = 0;
    w->lastPassAt = -1;
    w->bytes = 0;
    w->failed = 0;
    w->failure[0] = 0;
    w->writing = 0;
    w->fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (w->fd < 0)
    {
        snprintf(err, errSize, "%s", strerror(errno));
        return 0;
    }
    return 1;
}

int WriteRecordingHeader(recordingWriter* w, const recordingHeader* h)
{
    char engine[sizeof h->engine], created[sizeof h->created], folder[sizeof h->dataFolder],
        start[sizeof h->start];
    snprintf(engine, sizeof engine, "%s", h->engine);
    snprintf(created, sizeof created, "%s", h->created);
    snprintf(folder, sizeof folder, "%s", h->dataFolder);
    snprintf(start, sizeof start, "%s", h->start);
    for (char* text : {engine, created, folder, start})
        Printable(text);
    const playerSettings& s = h->settings;
    // The shortest form that reads back as the same float.
    char sensitivity[32];
    for (int digits = 6; digits <= 9; digits++)
    {
        snprintf(sensitivity, sizeof sensitivity, "%.*g", digits, s.mouseSensitivity);
        if (strtof(sensitivity, nullptr) == s.mouseSensitivity) break;
    }
    char text[kRecordingHeaderMax];
    int n = snprintf(text, sizeof text,
                     "%s %d\n"
                     "engine %s\n"
                     "created %s\n"
                     "data-folder %s\n"
                     "data-hash %016" PRIx64 " %d\n"
                     "start %s\n"
                     "seed %u\n"
                     "fixed-step %d\n"
                     "sound %d\n"
                     "window %d %d %d %d %d\n"
                     "settings %s %d %d %d %d %d %d\n"
                     "clock %" PRId64 "\n"
                     "content-memory %" PRId64 "\n",
                     kRecordingMagic, kRecordingFormat, engine, created, folder, h->dataHash, h->dataFiles,
                     start, h->seed, h->fixedStep, h->sound, h->drawWidth, h->drawHeight, h->cursorWidth,
                     h->cursorHeight, h->fullscreen, sensitivity, s.invertMouse, s.volume, s.fullScreen,
                     s.windowWidth, s.windowHeight, s.vsync, h->clockStart, h->contentMemory);
    if (n < 0 || n >= (int)sizeof text - 20) return 0;
    n += snprintf(text + n, sizeof text - n, "crc %08x\n", (unsigned)crc32(0L, (const Bytef*)text, (uInt)n));
    w->writing = 1;
    const bool ok = WriteAll(w->fd, (const unsigned char*)text, (size_t)n);
    w->writing = 0;
    if (!ok)
    {
        Fail(w, "the header could not be written");
        return 0;
    }
    w->bytes += n;
    return 1;
}

void WriteRecordingOp(recordingWriter* w, const recordingOp* op)
{
    if (w->fd < 0 || w->failed) return;
    unsigned char bytes[kRecordingOpBytesMax];
    const int n = EncodeRecordingOp(op, bytes, sizeof bytes);
    if (n <= 0) return;
    if (w->used + n > kRecordingPendingMax && !FlushRecordingWriter(w)) return;
    memcpy(w->pending + w->used, bytes, (size_t)n);
    if (op->kind == kOpPass) w->lastPassAt = w->used;
    // Only now is the entry pending: a signal that flushes meanwhile never writes half of it.
    w->used += n;
}

int FlushRecordingWriter(recordingWriter* w)
{
    if (w->fd < 0 || w->failed) return 0;
    if (w->used == 0) return 1;
    w->writing = 1;
    const bool ok = WriteBlock(w->fd, w->pending, w->used);
    w->writing = 0;
    if (!ok)
    {
        Fail(w, "a block could not be written");
        return 0;
    }
    w->bytes += kBlockHeadBytes + w->used;
    w->used = 0;
    w->lastPassAt = -1;
    return 1;
}

void MarkPassWithoutTick(recordingWriter* w)
{
    if (w->fd < 0 || w->lastPassAt < 0 || w->lastPassAt >= w->used) return;
    unsigned char& first = w->pending[w->lastPassAt];
    if (first < 0x40)
        first |= 0x40;
    else if (first == kByteLongPass)
        first = kByteLongPassNoTick;
}

int CloseRecordingWriter(recordingWriter* w)
{
    if (w->fd < 0) return 0;
    FlushRecordingWriter(w);
    if (!w->failed && fsync(w->fd) != 0 && errno != EINVAL) Fail(w, "the file could not be synced");
    if (close(w->fd) != 0) Fail(w, "the file could not be closed");
    w->fd = -1;
    return !w->failed;
}

void FlushRecordingInSignal(recordingWriter* w)
{
    // A block half written when the signal came cannot be finished: the file ends cut short there.
    if (w->fd < 0 || w->failed || w->writing || w->used <= 0) return;
    w->writing = 1;
    if (WriteBlock(w->fd, w->pending, w->used)) w->used = 0;
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace
{

// A whole number in [lo, hi] filling the field; 0 otherwise.
bool ReadWhole(const char* text, long long lo, long long hi, long long* out)
{
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = strtoll(text, &end, 10);
    if (errno || end == text || *end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// Splits value at blanks into at most max fields (value is changed).
int SplitFields(char* value, char** fields, int max)
{
    int n = 0;
    for (char* p = strtok(value, " "); p; p = strtok(nullptr, " "))
    {
        if (n == max) return max + 1;
        fields[n++] = p;
    }
    return n;
}

// Reads the number fields of one header line into out (count of them) within [lo, hi] each.
bool ReadNumbers(char* value, int count, const long long* lo, const long long* hi, long long* out)
{
    char* fields[8];
    if (SplitFields(value, fields, 8) != count) return false;
    for (int i = 0; i < count; i++)
        if (!ReadWhole(fields[i], lo[i], hi[i], &out[i])) return false;
    return true;
}

// One "key value" line into the header. 0 when the value cannot be used.
bool ReadHeaderLine(const char* key, char* value, recordingHeader* h, unsigned* seen)
{
    long long v[8];
    if (!strcmp(key, "engine"))
    {
        snprintf(h->engine, sizeof h->engine, "%s", value);
        *seen |= 1;
        return true;
    }
    if (!strcmp(key, "created"))
    {
        snprintf(h->created, sizeof h->created, "%s", value);
        return true;
    }
    if (!strcmp(key, "data-folder"))
    {
        snprintf(h->dataFolder, sizeof h->dataFolder, "%s", value);
        return true;
    }
    if (!strcmp(key, "start"))
    {
        if (!value[0] || strlen(value) >= sizeof h->start) return false;
        snprintf(h->start, sizeof h->start, "%s", value);
        *seen |= 2;
        return true;
    }
    if (!strcmp(key, "data-hash"))
    {
        char* fields[3];
        char* end = nullptr;
        if (SplitFields(value, fields, 2) != 2 || strlen(fields[0]) != 16) return false;
        errno = 0;
        h->dataHash = strtoull(fields[0], &end, 16);
        if (errno || *end || !ReadWhole(fields[1], 0, INT32_MAX, &v[0])) return false;
        h->dataFiles = (int32_t)v[0];
        *seen |= 4;
        return true;
    }
    if (!strcmp(key, "seed") || !strcmp(key, "fixed-step") || !strcmp(key, "sound"))
    {
        const long long hi = key[1] == 'e' ? UINT32_MAX : key[1] == 'i' ? 60000 : 1;
        if (!ReadWhole(value, 0, hi, &v[0])) return false;
        if (key[1] == 'e')
            h->seed = (uint32_t)v[0], *seen |= 8;
        else if (key[1] == 'i')
            h->fixedStep = (int32_t)v[0], *seen |= 16;
        else
            h->sound = (int32_t)v[0], *seen |= 32;
        return true;
    }
    if (!strcmp(key, "window"))
    {
        const long long lo[5] = {1, 1, 1, 1, 0}, hi[5] = {16384, 16384, 16384, 16384, 1};
        if (!ReadNumbers(value, 5, lo, hi, v)) return false;
        h->drawWidth = (int32_t)v[0];
        h->drawHeight = (int32_t)v[1];
        h->cursorWidth = (int32_t)v[2];
        h->cursorHeight = (int32_t)v[3];
        h->fullscreen = (int32_t)v[4];
        *seen |= 64;
        return true;
    }
    if (!strcmp(key, "settings"))
    {
        char* fields[8];
        if (SplitFields(value, fields, 8) != 7) return false;
        char* end = nullptr;
        errno = 0;
        const float sensitivity = strtof(fields[0], &end);
        if (errno || end == fields[0] || *end || !(sensitivity >= kMinMouseSensitivity) ||
            !(sensitivity <= kMaxMouseSensitivity))
            return false;
        const long long lo[6] = {0, 0, 0, 16, 16, 0}, hi[6] = {1, 100, 1, 16384, 16384, 1};
        for (int i = 0; i < 6; i++)
            if (!ReadWhole(fields[1 + i], lo[i], hi[i], &v[i])) return false;
        playerSettings& s = h->settings;
        s.mouseSensitivity = sensitivity;
        s.invertMouse = (int32_t)v[0];
        s.volume = (int32_t)v[1];
        s.fullScreen = (int32_t)v[2];
        s.windowWidth = (int32_t)v[3];
        s.windowHeight = (int32_t)v[4];
        s.vsync = (int32_t)v[5];
        *seen |= 128;
        return true;
    }
    if (!strcmp(key, "clock"))
    {
        if (!ReadWhole(value, 0, INT64_MAX / 4, &v[0])) return false;
        h->clockStart = v[0];
        *seen |= 256;
        return true;
    }
    if (!strcmp(key, "content-memory"))
    {
        if (!ReadWhole(value, 0, INT64_MAX / 4, &v[0])) return false;
        h->contentMemory = v[0];
        return true;
    }
    // A key this engine does not know: later versions of the same format may add some.
    return true;
}

const char* const kRequiredKeys[] = {"engine", "start",  "data-hash", "seed", "fixed-step",
                                     "sound",  "window", "settings",  "clock"};

// The header from text (n bytes, the file's first bytes; atEnd when they are all of the file).
// Returns the header's length, or 0 with the reason in err.
int ParseHeader(char* text, int n, bool atEnd, recordingHeader* h, char* err, int errSize)
{
    const size_t magic = strlen(kRecordingMagic);
    if ((size_t)n < magic + 2 || memcmp(text, kRecordingMagic, magic) != 0 || text[magic] != ' ')
    {
        snprintf(err, errSize, "is not a Kesrow recording");
        return 0;
    }
    const char* line = text;
    const char* firstEnd = (const char*)memchr(text, '\n', (size_t)n);
    // The format number comes before anything else is judged: a newer file may differ in all
    // that follows.
    char first[64];
    const size_t firstLength = firstEnd ? (size_t)(firstEnd - text) : (size_t)n;
    if (firstLength >= sizeof first)
    {
        snprintf(err, errSize, "is not a Kesrow recording");
        return 0;
    }
    memcpy(first, text, firstLength);
    first[firstLength] = 0;
    long long format = 0;
    if (!ReadWhole(first + magic + 1, 1, INT32_MAX, &format))
    {
        snprintf(err, errSize, firstEnd ? "is not a Kesrow recording" : "is cut short in its header");
        return 0;
    }
    if (format > kRecordingFormat)
    {
        snprintf(err, errSize, "was made by a newer Kesrow (recording format %lld; this one reads format %d)",
                 format, kRecordingFormat);
        return 0;
    }
    // The crc line ends the header.
    int crcAt = -1, end = -1;
    for (line = firstEnd ? firstEnd + 1 : text + n; line < text + n;)
    {
        const char* lineEnd = (const char*)memchr(line, '\n', (size_t)(text + n - line));
        if (!lineEnd) break;
        if (lineEnd - line == 12 && !memcmp(line, "crc ", 4))
        {
            crcAt = (int)(line - text);
            end = (int)(lineEnd - text) + 1;
            break;
        }
        line = lineEnd + 1;
    }
    if (crcAt < 0)
    {
        snprintf(err, errSize, atEnd ? "is cut short in its header" : "is damaged: its header does not end");
        return 0;
    }
    // Exactly as written: eight lower-case hex digits, so that no changed byte reads the same.
    char hex[9];
    snprintf(hex, sizeof hex, "%08x", (unsigned)crc32(0L, (const Bytef*)text, (uInt)crcAt));
    if (memcmp(hex, text + crcAt + 4, 8) != 0)
    {
        snprintf(err, errSize, "is damaged: its header fails its check");
        return 0;
    }
    memset(h, 0, sizeof *h);
    h->format = (int32_t)format;
    unsigned seen = 0;
    for (line = firstEnd + 1; line < text + crcAt;)
    {
        char* lineEnd = (char*)memchr(line, '\n', (size_t)(text + crcAt - line));
        *lineEnd = 0;
        char* space = strchr((char*)line, ' ');
        char* value = space ? space + 1 : lineEnd;
        if (space) *space = 0;
        if (!ReadHeaderLine(line, value, h, &seen))
        {
            snprintf(err, errSize, "is damaged: its header's \"%.20s\" line cannot be used", line);
            return 0;
        }
        line = lineEnd + 1;
    }
    for (size_t k = 0; k < sizeof kRequiredKeys / sizeof kRequiredKeys[0]; k++)
        if (!(seen & (1u << k)))
        {
            snprintf(err, errSize, "is damaged: its header has no \"%s\" line", kRequiredKeys[k]);
            return 0;
        }
    return end;
}

void Problem(recordingReader* r, const char* what, long long at)
{
    snprintf(r->problem, sizeof r->problem, "%s at byte %lld", what, at);
}

} // namespace

int OpenRecordingReader(recordingReader* r, const char* path, recordingHeader* header, char* err, int errSize)
{
    memset(r, 0, sizeof *r);
    // Only a regular file: a FIFO or a device would hang the read or never end.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        snprintf(err, errSize, fd < 0 ? "cannot be opened (%s)" : "is not a file", strerror(errno));
        if (fd >= 0) close(fd);
        return 0;
    }
    r->file = fdopen(fd, "rb");
    if (!r->file)
    {
        snprintf(err, errSize, "cannot be opened (%s)", strerror(errno));
        close(fd);
        return 0;
    }
    char text[kRecordingHeaderMax + 1];
    const int n = (int)fread(text, 1, kRecordingHeaderMax, r->file);
    text[n] = 0;
    const int length = ParseHeader(text, n, feof(r->file) != 0, header, err, errSize);
    r->block = (unsigned char*)malloc(kRecordingBlockMax);
    if (!length || !r->block || fseek(r->file, length, SEEK_SET) != 0)
    {
        if (length) snprintf(err, errSize, "cannot be read");
        CloseRecordingReader(r);
        return 0;
    }
    r->headerEnd = r->blockAt = r->nextBlockAt = length;
    return 1;
}

int ReadRecordingOp(recordingReader* r, recordingOp* op)
{
    if (!r->file || r->problem[0]) return -1;
    // Empty blocks are passed over.
    while (r->at >= r->size)
    {
        r->blockAt = r->nextBlockAt;
        r->size = r->at = 0;
        unsigned char head[kBlockHeadBytes];
        const size_t got = fread(head, 1, sizeof head, r->file);
        if (got == 0 && feof(r->file)) return 0;
        if (got < sizeof head)
        {
            Problem(r, "is cut short", r->blockAt);
            return -1;
        }
        uint32_t length = 0, crc = 0;
        for (int i = 0; i < 4; i++)
        {
            length |= (uint32_t)head[1 + i] << (8 * i);
            crc |= (uint32_t)head[5 + i] << (8 * i);
        }
        if (head[0] != kBlockMarker || length > (uint32_t)kRecordingBlockMax)
        {
            Problem(r, "is damaged (a block cannot be read)", r->blockAt);
            return -1;
        }
        if (fread(r->block, 1, length, r->file) != length)
        {
            Problem(r, "is cut short", r->blockAt);
            return -1;
        }
        if (crc32(0L, r->block, length) != crc)
        {
            Problem(r, "is damaged (a block fails its check)", r->blockAt);
            return -1;
        }
        r->size = (int)length;
        r->nextBlockAt = r->blockAt + kBlockHeadBytes + length;
    }
    const int used = DecodeRecordingOp(r->block + r->at, r->size - r->at, op);
    if (used <= 0)
    {
        Problem(r, "is damaged (an entry cannot be read)", r->blockAt + kBlockHeadBytes + r->at);
        return -1;
    }
    r->at += used;
    return 1;
}

void CloseRecordingReader(recordingReader* r)
{
    if (r->file) fclose(r->file);
    free(r->block);
    r->file = nullptr;
    r->block = nullptr;
}
