#pragma once

#include <QString>

// The real samples kept beside the repository (../shared): the path of one,
// or null when it is not there (the caller skips, saying so).
QString sharedSample(const QString& relative);

// A gzipped (or xz-packed) sample unpacked once per test process into a temporary folder,
// sparsely (images of 1 GiB are mostly zeros); `name` is the file's name
// there. Null when the sample is missing or cannot be unpacked.
QString unpackedSample(const QString& relative, const QString& name = {});

#define SKIP_WITHOUT_SHARED(path)                                                              \
    if ((path).isNull())                                                                       \
    GTEST_SKIP() << "the real samples beside the repository (../shared) are not here"
