#pragma once
// The recording folder as the minute-file search and recorder see it: names in a
// folder, files to read, files to create. Paths are relative to the recording
// folder, with '/' between names. Files on disk in the library, memory in tests.

#include "core/IByteSink.h"
#include "core/IRandomAccessSource.h"

#include <memory>
#include <string>
#include <vector>

class IMinuteStore {
public:
    virtual ~IMinuteStore() = default;

    // The names of the entries of a folder ("" is the recording folder itself), in
    // any order; false when it does not exist or cannot be listed.
    virtual bool List(const std::string& folder, std::vector<std::string>* pNames) = 0;
    // Null when the file cannot be opened.
    virtual std::unique_ptr<IRandomAccessSource> OpenRead(const std::string& path) = 0;
    // Creates the folders on the way and a new file; null when the file exists
    // already or cannot be made.
    virtual std::unique_ptr<IByteSink> Create(const std::string& path) = 0;
    // An existing file cut to its first keepBytes, appended to from there; null when
    // it does not exist or cannot be written.
    virtual std::unique_ptr<IByteSink> Continue(const std::string& path, uint64_t keepBytes) = 0;
};
