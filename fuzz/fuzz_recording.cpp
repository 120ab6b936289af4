// Fuzzes the recording reader. An input that starts with "KESROW" is a recording file: its
// header, when it is read, is written again and read back the same, and its entries are read
// to the end. Any other input is a run of entries as a block holds them, decoded without the
// block's check, so that the entry decoder sees every byte. Every entry read lies within its
// bounds, is written back to the same bytes' meaning, and applies to the replayed input as a
// replay applies it.
#include "fuzz_support.h"

#include "app/recording.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    return 0;
}

namespace
{

recordedInput gInput;

// The entry is within its bounds; written and read again it is the same; a tick applies.
void CheckEntry(const recordingOp& op)
{
    if (op.kind < kOpPass || op.kind > kOpCheck) abort();
    if (op.keyChanges < 0 || op.keyChanges > 256 || op.typedCount < 0 || op.typedCount > kRecordedTypedMax) abort();
    if (strnlen(op.text, sizeof op.text) > (size_t)kRecordedLineMax) abort();
    static unsigned char bytes[kRecordingOpBytesMax];
    const int n = EncodeRecordingOp(&op, bytes, sizeof bytes);
    if (n <= 0) abort();
    static recordingOp back;
    if (DecodeRecordingOp(bytes, n, &back) != n || back.kind != op.kind || back.value != op.value ||
        back.keyChanges != op.keyChanges || back.typedCount != op.typedCount || back.cursorDx != op.cursorDx ||
        back.cursorDy != op.cursorDy || strcmp(back.text, op.text) != 0 ||
        memcmp(back.size, op.size, sizeof op.size) != 0 ||
        memcmp(back.typed, op.typed, sizeof(int) * (size_t)op.typedCount) != 0)
        abort();
    if (op.kind == kOpTick)
    {
        ApplyTickOp(&gInput, &op);
        if (gInput.cursorX > kRecordedCursorMax || gInput.cursorX < -kRecordedCursorMax ||
            gInput.cursorY > kRecordedCursorMax || gInput.cursorY < -kRecordedCursorMax)
            abort();
    }
}

void ReadFile(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteFile("play.rec", data, size);
    static recordingReader reader;
    static recordingHeader header;
    char err[300];
    if (!OpenRecordingReader(&reader, path.c_str(), &header, err, sizeof err))
    {
        if (!err[0]) abort();
        return;
    }
    // The header written again reads back the same.
    static recordingWriter writer;
    const std::string again = fuzz::Sandbox() + "again.rec";
    if (!OpenRecordingWriter(&writer, again.c_str(), err, sizeof err) || !WriteRecordingHeader(&writer, &header) ||
        !CloseRecordingWriter(&writer))
        abort();
    static recordingReader reread;
    static recordingHeader back;
    if (!OpenRecordingReader(&reread, again.c_str(), &back, err, sizeof err)) abort();
    CloseRecordingReader(&reread);
    if (back.dataHash != header.dataHash || back.seed != header.seed || back.clockStart != header.clockStart ||
        memcmp(&back.settings, &header.settings, sizeof header.settings) != 0 ||
        back.drawWidth != header.drawWidth || back.cursorHeight != header.cursorHeight)
        abort();
    static recordingOp op;
    int got;
    while ((got = ReadRecordingOp(&reader, &op)) > 0)
        CheckEntry(op);
    if (got < 0 && !reader.problem[0]) abort();
    CloseRecordingReader(&reader);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    memset(&gInput, 0, sizeof gInput);
    if (size >= 6 && !memcmp(data, "KESROW", 6))
    {
        ReadFile(data, size);
        return 0;
    }
    static recordingOp op;
    for (size_t at = 0; at < size;)
    {
        const int used = DecodeRecordingOp(data + at, (int)(size - at), &op);
        if (used <= 0) break;
        CheckEntry(op);
        at += (size_t)used;
    }
    return 0;
}
