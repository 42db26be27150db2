#pragma once
// One minute file of a store, opened for reading: its source and its reader.

#include "core/CMinuteFileReader.h"
#include "core/IMinuteStore.h"

#include <memory>
#include <string>

class COpenMinuteFile {
public:
    // False when the file cannot be opened, is not a minute file, or holds another
    // minute than its name gives (its units would come out of order).
    bool Open(IMinuteStore* pStore, const std::string& path, uint32_t minute);
    void Close();
    bool IsOpen() const { return m_pReader != nullptr; }
    CMinuteFileReader& Reader() { return *m_pReader; }

private:
    std::unique_ptr<IRandomAccessSource> m_pSource;
    std::unique_ptr<CMinuteFileReader> m_pReader;  // reads m_pSource
};
