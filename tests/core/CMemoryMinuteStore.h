#pragma once
// A recording folder held in memory: files by relative path, folders implied by
// the paths. Files created through it stay in it, readable while still written.

#include "core/CMemoryFileSource.h"
#include "core/IMinuteStore.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CMemoryMinuteStore : public IMinuteStore {
public:
    bool List(const std::string& folder, std::vector<std::string>* pNames) override
    {
        ++lists;
        const std::string prefix = folder.empty() ? "" : folder + "/";
        std::set<std::string> names;
        for (const auto& [path, bytes] : files) {
            if (path.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string rest = path.substr(prefix.size());
            names.insert(rest.substr(0, rest.find('/')));
        }
        if (names.empty() && !folder.empty()) return false;
        if (!bRootExists && folder.empty()) return false;
        pNames->assign(names.rbegin(), names.rend());  // callers must not rely on an order
        return true;
    }

    std::unique_ptr<IRandomAccessSource> OpenRead(const std::string& path) override
    {
        ++opens;
        const auto it = files.find(path);
        if (it == files.end() || unreadable.count(path)) return nullptr;
        return std::make_unique<CMemoryFileSource>(it->second.data(), it->second.size());
    }

    std::unique_ptr<IByteSink> Create(const std::string& path) override
    {
        if (files.count(path) || bFailCreate) return nullptr;
        files[path];
        return std::make_unique<Sink>(this, path);
    }

    std::unique_ptr<IByteSink> Continue(const std::string& path, uint64_t keepBytes) override
    {
        const auto it = files.find(path);
        if (it == files.end() || bFailCreate || keepBytes > it->second.size()) return nullptr;
        it->second.resize(keepBytes);
        return std::make_unique<Sink>(this, path);
    }

    std::map<std::string, std::vector<uint8_t>> files;
    std::set<std::string> unreadable;
    bool bRootExists = true;
    bool bFailCreate = false;
    size_t failAfterBytes = SIZE_MAX;  // every append fails once the store holds that many bytes
    size_t lists = 0;
    size_t opens = 0;

private:
    class Sink : public IByteSink {
    public:
        Sink(CMemoryMinuteStore* pStore, std::string path) : m_pStore(pStore), m_path(std::move(path)) {}
        bool Append(const uint8_t* p, size_t cb) override
        {
            if (m_pStore->TotalBytes() + cb > m_pStore->failAfterBytes) return false;
            auto& bytes = m_pStore->files[m_path];
            bytes.insert(bytes.end(), p, p + cb);
            return true;
        }
        bool Flush() override { return true; }

    private:
        CMemoryMinuteStore* m_pStore;
        std::string m_path;
    };

    size_t TotalBytes() const
    {
        size_t total = 0;
        for (const auto& [path, bytes] : files) total += bytes.size();
        return total;
    }
};
