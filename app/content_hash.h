// The fingerprint of a data folder's content that a recording keeps, so that its replay can say
// when it runs on other content than the recorded game did.
#pragma once

#include <cstdint>

struct contentHash
{
    uint64_t hash;
    int32_t files;
};

// Hashes what the game may read under folder: every file's path, size and bytes, in name order.
// Left out: hidden entries (names starting with '.'), the roster snapshots "keyframeN" and the
// ".saving" files of saves under way (the game writes both and never reads them), and the file
// skipPath (the recording itself; may be null). A symbolic link counts by the path it holds and
// is never followed; devices, FIFOs and sockets do not count. At most kContentHashFiles entries
// and kContentHashDepth folders deep are taken in.
contentHash HashDataFolder(const char* folder, const char* skipPath);

const int kContentHashFiles = 100000;
const int kContentHashDepth = 32;
