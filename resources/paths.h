// The data folder prefix and the separator that every content path is built from.
#pragma once

// Put in front of every content path. Empty at start, so content is found from the working
// directory; the shell may set it. Always NUL-terminated within its 1024 bytes.
extern char routePath[1024];

// The separator FixPathString puts in place of every '/' and ':'.
constexpr char kDirectoryDevider = '/';
