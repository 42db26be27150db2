#pragma once
// A recording folder on disk as a minute store: the relative paths of the store
// below the folder, read through shared handles (a recorder may be writing the
// newest file), new files created with their folders and flushed to the disk.

#include "core/IMinuteStore.h"

#include <string>

class CWinMinuteStore : public IMinuteStore {
public:
    explicit CWinMinuteStore(std::wstring folder);

    bool List(const std::string& folder, std::vector<std::string>* pNames) override;
    std::unique_ptr<IRandomAccessSource> OpenRead(const std::string& path) override;
    std::unique_ptr<IByteSink> Create(const std::string& path) override;
    std::unique_ptr<IByteSink> Continue(const std::string& path, uint64_t keepBytes) override;

    // The system error of the last Create that failed, for a person to read.
    unsigned long LastCreateError() const { return m_LastCreateError; }

private:
    std::wstring FullPath(const std::string& relative) const;
    bool CreateFolders(const std::string& path);
    bool CreateFolder(const std::wstring& folder);

    const std::wstring m_Folder;
    unsigned long m_LastCreateError = 0;
};
