// The recording file: entries and headers read back as written, tick entries that hold only
// what changed, and a reader that turns every cut, flipped byte, future format and odd file into
// a result: a prefix of what was written and a reason, never a crash or a wrong entry.
#include "app/recording.h"
#include "play_util.h"

#include <zlib.h>

namespace
{

recordingHeader SampleHeader()
{
    recordingHeader h;
    memset(&h, 0, sizeof h);
    h.format = kRecordingFormat;
    snprintf(h.engine, sizeof h.engine, "0.1.0");
    snprintf(h.created, sizeof h.created, "2026-01-02T03:04:05Z");
    snprintf(h.dataFolder, sizeof h.dataFolder, "/data/with\nnew\x1f line\x7f");
    snprintf(h.start, sizeof h.start, "Data/game script");
    h.dataHash = 0xfedcba9876543210ull, h.dataFiles = 83, h.seed = 4294967295u, h.fixedStep = 20, h.sound = 1;
    h.drawWidth = 640, h.drawHeight = 360, h.cursorWidth = 320, h.cursorHeight = 180, h.fullscreen = 1;
    h.settings = {0.14f, 1, 35, 1, 800, 600, 0};
    h.clockStart = 123456789012ll, h.contentMemory = 5ll << 30;
    return h;
}

recordingOp Op(int kind, int64_t value = 0)
{
    recordingOp op;
    memset(&op, 0, sizeof op);
    op.kind = kind, op.value = value;
    return op;
}

recordingOp Line(const std::string& text, int kind = kOpLine)
{
    recordingOp op = Op(kind);
    snprintf(op.text, sizeof op.text, "%s", text.c_str());
    return op;
}

// Every kind, with the values at the edges of their encodings.
std::vector<recordingOp> SampleOps()
{
    std::vector<recordingOp> ops;
    for (int64_t step : {0, 20, 63, 64, 128, 300000, -1})
    {
        ops.push_back(Op(kOpPass, step));
        ops.back().noTick = step % 2 != 0;
    }
    ops.push_back(Op(kOpNextTick));
    recordingOp tick = Op(kOpTick);
    const int16_t states[4] = {0, 1, INT16_MIN, INT16_MIN | 1};
    for (int code = 0; code < 256; code++)
    {
        tick.keyCode[code] = (uint8_t)(255 - code);
        tick.keyState[code] = states[code % 4];
    }
    tick.keyChanges = 256, tick.typedCount = kRecordedTypedMax;
    for (int i = 0; i < tick.typedCount; i++)
        tick.typed[i] = i % 2 ? 32 + i % 95 : 257 + i % 255;
    tick.cursorDx = 2 * kRecordedCursorMax, tick.cursorDy = -2 * kRecordedCursorMax;
    recordingOp move = Op(kOpTick), resize = Op(kOpResize), end = Line("window closed", kOpEnd);
    move.cursorDy = 1;
    resize.size[0] = 65535, resize.size[1] = 1, resize.size[2] = 1280;
    end.value = 0x01020304;
    ops.insert(ops.end(), {tick, move, resize, Op(kOpFocus, 1), Op(kOpClosed), Op(kOpWatchdog, 1),
                           Op(kOpWatchdog, (int64_t)1 << 40), Op(kOpVirtual, 1),
                           Line(std::string(kRecordedLineMax, 'x')), Line("//Settings line"),
                           Op(kOpCheck, 0xdeadbeef), end});
    return ops;
}

// Entries are compared whole: both start zeroed (Op), so any field read wrong, or an array
// written past its count, differs.
void ExpectSameOp(const recordingOp& want, const recordingOp& got, const std::string& where)
{
    EXPECT_EQ(0, memcmp(&want, &got, sizeof want)) << where << ", kind " << want.kind;
}

// Writes the header and the ops, a block every `perBlock` entries; with mark, each pass entry is
// marked as one without a tick right after it is written (and flushed).
std::string WriteFile(const TempDir& dir, const std::vector<recordingOp>& ops, size_t perBlock,
                      bool mark = false)
{
    const std::string path = dir / "play.rec";
    static recordingWriter w;
    char err[200];
    EXPECT_TRUE(OpenRecordingWriter(&w, path.c_str(), err, sizeof err)) << err;
    const recordingHeader h = SampleHeader();
    EXPECT_TRUE(WriteRecordingHeader(&w, &h));
    for (size_t i = 0; i < ops.size(); i++)
    {
        WriteRecordingOp(&w, &ops[i]);
        EXPECT_TRUE((i + 1) % perBlock != 0 || FlushRecordingWriter(&w));
        if (mark) MarkPassWithoutTick(&w);
    }
    EXPECT_TRUE(CloseRecordingWriter(&w));
    return path;
}

// Reads a file through: the entries read, the last result (0 end, -1 problem) and the problem;
// open is false when the header was refused (err says why).
struct readBack
{
    bool open = false;
    std::string err, problem;
    recordingHeader header;
    std::vector<recordingOp> ops;
    int last = 0;
};

readBack ReadFile(const std::string& path)
{
    readBack r;
    recordingReader reader;
    char err[300] = "";
    r.open = OpenRecordingReader(&reader, path.c_str(), &r.header, err, sizeof err) != 0;
    r.err = err;
    if (!r.open) return r;
    static recordingOp op;
    for (op = Op(kOpNone); (r.last = ReadRecordingOp(&reader, &op)) > 0; op = Op(kOpNone))
        r.ops.push_back(op);
    r.problem = reader.problem;
    CloseRecordingReader(&reader);
    return r;
}

} // namespace

TEST(Recording, WhatIsWrittenReadsBackAlike)
{
    TempDir dir;
    const std::vector<recordingOp> ops = SampleOps();
    // Every entry alone, as its bytes.
    for (size_t i = 0; i < ops.size(); i++)
    {
        unsigned char bytes[kRecordingOpBytesMax];
        const int n = EncodeRecordingOp(&ops[i], bytes, sizeof bytes);
        ASSERT_GT(n, 0) << i;
        recordingOp back = Op(kOpNone);
        EXPECT_EQ(n, DecodeRecordingOp(bytes, n, &back)) << i;
        ExpectSameOp(ops[i], back, "entry " + std::to_string(i));
        // One byte short is no entry, and a buffer one byte too small takes none.
        EXPECT_EQ(0, DecodeRecordingOp(bytes, n - 1, &back)) << i;
        EXPECT_EQ(0, EncodeRecordingOp(&ops[i], bytes, n - 1)) << i;
    }
    // A pass within 0..63 ms takes one byte, 64 ms three; values out of their bounds are never
    // written.
    unsigned char bytes[kRecordingOpBytesMax];
    EXPECT_EQ(1, EncodeRecordingOp(&ops[2], bytes, sizeof bytes));
    EXPECT_EQ(3, EncodeRecordingOp(&ops[3], bytes, sizeof bytes));
    for (const recordingOp& refused :
         {Op(kOpWatchdog, 0), Op(kOpTick), Line(""), Op(kOpPass, (int64_t)1 << 41)})
        EXPECT_EQ(0, EncodeRecordingOp(&refused, bytes, sizeof bytes)) << refused.kind;

    // Through a file, in blocks of three entries and in one block.
    for (size_t perBlock : {(size_t)3, ops.size()})
    {
        const readBack r = ReadFile(WriteFile(dir, ops, perBlock));
        ASSERT_TRUE(r.open) << r.err;
        EXPECT_EQ(0, r.last) << r.problem;
        ASSERT_EQ(ops.size(), r.ops.size());
        for (size_t i = 0; i < ops.size(); i++)
            ExpectSameOp(ops[i], r.ops[i], "entry " + std::to_string(i));
        // The header comes back whole (the reader zeroes it first), a line break or another
        // control character in a name turned into '?': one line a value.
        recordingHeader h = SampleHeader();
        snprintf(h.dataFolder, sizeof h.dataFolder, "/data/with?new? line?");
        EXPECT_EQ(0, memcmp(&h, &r.header, sizeof h)) << r.header.dataFolder;
    }

    // More than a block's worth pending goes out on its own.
    std::vector<recordingOp> many(3 * kRecordingPendingMax / 700, SampleOps()[8]);
    const readBack r = ReadFile(WriteFile(dir, many, many.size() + 1));
    EXPECT_EQ(many.size(), r.ops.size());
    EXPECT_EQ(0, r.last);

    // A pass is marked as one without a tick after it was written, in either form, as long as it
    // waits in the writer; one already in the file (the third, flushed first) stays as it is.
    std::string marks;
    for (const recordingOp& op :
         ReadFile(WriteFile(dir, {Op(kOpPass, 20), Op(kOpPass, 500), Op(kOpPass, 7)}, 3, true)).ops)
        marks += std::to_string(op.noTick) + ":" + std::to_string(op.value) + " ";
    EXPECT_EQ("1:20 1:500 0:7 ", marks);
}

TEST(Recording, ATickEntryHoldsWhatChangedSinceTheTickBefore)
{
    recordedInput last = {}, replayed = {};
    int16_t keys[256] = {0};
    recordingOp op;
    // Each tick: key W's state as the platform gives it, typed entries, the cursor; whether an
    // entry is needed, and the key changes it holds.
    const std::tuple<int16_t, std::vector<int>, int, int, bool, int> ticks[] = {
        {0, {}, 0, 0, false, 0},
        {(int16_t)(INT16_MIN | 1), {'w', 256 + 'W'}, 0, 0, true, 1}, // down: held and pressed
        {INT16_MIN, {256 + 'W'}, 0, 0, true, 1},                     // held, a key repeat typed
        {INT16_MIN, {}, 0, 0, false, 0},
        {1, {}, 5, -3, true, 1},        // released, pressed and released again between two polls
        {0, {}, 5, -3, true, 1},        // up
        {0, {}, 5, -3, false, 0},       // nothing
        {0, {7, 600}, 5, -3, false, 0}, // typed entries that are neither a character nor a key
        {-2, {}, 5, -3, true, 1},       // any negative state is held
    };
    int i = 0;
    for (const auto& [w, typed, x, y, entry, changes] : ticks)
    {
        keys[int('W')] = w;
        const int made = MakeTickOp(&last, keys, typed.data(), (int)typed.size(), x, y, &op);
        EXPECT_EQ(entry, made != 0) << i;
        EXPECT_EQ(changes, op.keyChanges) << i;
        EXPECT_TRUE(!made || (ApplyTickOp(&replayed, &op) && !memcmp(&last, &replayed, sizeof last))) << i;
        EXPECT_EQ(made ? typed : std::vector<int>(), std::vector<int>(op.typed, op.typed + op.typedCount))
            << i++;
    }
    EXPECT_EQ(INT16_MIN, replayed.keys[int('W')]);
    EXPECT_EQ(5, replayed.cursorX);
    // An entry that would take the cursor out of bounds is refused and changes nothing.
    recordingOp far = Op(kOpTick);
    far.cursorDx = kRecordedCursorMax;
    EXPECT_FALSE(ApplyTickOp(&replayed, &far));
    EXPECT_EQ(5, replayed.cursorX);
}

TEST(Recording, EveryCutAndEveryFlippedByteIsAResult)
{
    TempDir dir;
    std::vector<recordingOp> ops;
    for (int i = 0; i < 12; i++)
    {
        recordingOp tick = Op(kOpTick);
        tick.cursorDx = i + 1;
        ops.insert(ops.end(), {Op(kOpPass, 17 + i), tick, Op(kOpCheck, 1000 + i)});
    }
    const std::string path = WriteFile(dir, ops, 7);
    const std::string whole = ReadTextFile(path);
    const std::string cut = dir / "cut.rec";
    for (size_t length = 0; length < whole.size(); length++)
    {
        ASSERT_TRUE(WriteTextFile(cut, whole.substr(0, length)));
        const readBack r = ReadFile(cut);
        EXPECT_TRUE(r.open || !r.err.empty()) << length;
        if (!r.open) continue;
        // What is read is what was written, as far as it goes; then the end, or "cut short".
        ASSERT_LT(r.ops.size(), ops.size()) << length;
        for (size_t i = 0; i < r.ops.size(); i++)
            ExpectSameOp(ops[i], r.ops[i], "cut at " + std::to_string(length));
        EXPECT_TRUE(r.last >= 0 || r.problem.find("cut short") != std::string::npos) << length << r.problem;
    }
    for (size_t at = 0; at < whole.size(); at++)
    {
        std::string flipped = whole;
        flipped[at] ^= (char)(1 << (at % 8));
        ASSERT_TRUE(WriteTextFile(cut, flipped));
        const readBack r = ReadFile(cut);
        if (!r.open) continue;
        ASSERT_LE(r.ops.size(), ops.size()) << at;
        for (size_t i = 0; i < r.ops.size(); i++)
            ExpectSameOp(ops[i], r.ops[i], "flip at " + std::to_string(at));
        EXPECT_LT(r.last, 0) << "a flipped byte at " << at << " went unseen";
    }
}

TEST(Recording, HeadersThatCannotBeReplayedSayWhy)
{
    TempDir dir;
    const std::string good = ReadTextFile(WriteFile(dir, {Op(kOpPass, 20)}, 1));
    const size_t crcAt = good.find("\ncrc ") + 1;
    // Rewrites the header's text and gives it a fresh check, so that only the change counts.
    auto resealed = [&](std::string header)
    {
        char crc[16];
        snprintf(crc, sizeof crc, "crc %08lx\n", crc32(0L, (const Bytef*)header.data(), (uInt)header.size()));
        return header + crc + good.substr(good.find('\n', crcAt) + 1);
    };
    std::string header = good.substr(0, crcAt);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"", "is not a Kesrow recording"},
        {"KESROW-RECORDING", "is not a Kesrow recording"},
        {"PNG\r\n", "is not a Kesrow recording"},
        {"KESROW-RECORDING 2\nsomething else entirely", "newer Kesrow (recording format 2"},
        {good.substr(0, crcAt + 5), "cut short in its header"},
        {"KESROW-RECORDING 1\n" + std::string(9000, 'a'), "does not end"},
        {good.substr(0, 40) + "X" + good.substr(41), "fails its check"},
        {resealed(std::string(header).replace(header.find("window 640"), 10, "window 0  ")), "\"window\""},
        {resealed(header.substr(0, header.find("clock"))), "no \"clock\" line"},
        {resealed(std::string(header).replace(header.find("settings 0.14"), 13, "settings nan")),
         "\"settings\""},
    };
    for (const auto& [text, why] : files)
    {
        ASSERT_TRUE(WriteTextFile(dir / "bad.rec", text));
        const readBack r = ReadFile(dir / "bad.rec");
        EXPECT_TRUE(!r.open && r.err.find(why) != std::string::npos) << why << ": " << r.err;
    }
    // A line this engine does not know is passed over.
    ASSERT_TRUE(WriteTextFile(dir / "new.rec", resealed(header + "later-key some value\n")));
    EXPECT_TRUE(ReadFile(dir / "new.rec").open);
    // Not a regular file: refused at once, never read (a FIFO would wait for ever).
    ASSERT_EQ(0, mkfifo((dir / "fifo").c_str(), 0600));
    const readBack fifo = ReadFile(dir / "fifo");
    EXPECT_TRUE(!fifo.open && fifo.err.find("is not a file") != std::string::npos) << fifo.err;
    EXPECT_FALSE(ReadFile(dir / "missing.rec").open);
}
