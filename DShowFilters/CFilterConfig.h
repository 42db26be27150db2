#pragma once
// The filter's property values: one for each row of the property table, made from
// the row's default and checked by the row's rule on the way in; and the settings a
// transport starts with. What a change does beyond storing is the filter's.
//
// Locking: its own lock guards the texts and dates, which are copied whole. Every
// other value is one word, read without a lock by the receiving thread. It writes
// the trace only after its lock is released, and calls nothing else.

#include "DShowFilters/IVLMVCConfigure.h"
#include "camera/FilterSettings.h"
#include "core/CritSec.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

class CFilterConfig {
public:
    CFilterConfig();
    CFilterConfig(const CFilterConfig&) = delete;
    CFilterConfig& operator=(const CFilterConfig&) = delete;

    // The row of a property identifier that a caller passed; null if there is none.
    static const PropertyInfo* Find(REFGUID id);
    static bool IsValidPort(uint16_t usNetworkOrder);

    // SetValue's and GetValue's part: the row's access rule, check and byte form.
    HRESULT Store(const PropertyInfo& info, const VARIANT& value);
    HRESULT Load(const PropertyInfo& info, VARIANT* value) const;

    // A word-sized value as its form holds it; a flag reads 1 or 0.
    template <const GUID& Id, class T>
    T Get() const
    {
        static_assert(sizeof(T) <= sizeof(uint64_t));
        const uint64_t bits = m_words[Row<Id>()].load();
        T value;
        std::memcpy(&value, &bits, sizeof(T));
        return value;
    }
    template <const GUID& Id>
    bool IsOn() const { return Get<Id, uint8_t>() != 0; }
    template <const GUID& Id>
    void SetOn(bool bOn) { m_words[Row<Id>()].store(bOn ? 1 : 0); }
    bool IsOn(const PropertyInfo& info) const { return m_words[RowOf(info)].load() != 0; }
    void SetOn(const PropertyInfo& info, bool bOn) { m_words[RowOf(info)].store(bOn ? 1 : 0); }

    SYSTEMTIME PlayDateStart() const;
    // A copy, taken while the filter is stopped.
    FilterSettings Settings() const;

private:
    template <const GUID& Id>
    static constexpr int Row()
    {
        constexpr int row = PropertyIndex(&Id);
        static_assert(row >= 0, "not a property of the table");
        return row;
    }
    static int RowOf(const PropertyInfo& info) { return static_cast<int>(&info - kProperties); }
    void ApplyDefault(int row);
    void Put(int row, const VARIANT& value);
    void CopyBytes(int row, void* out) const;  // the caller holds the lock

    mutable CCritSec m_Lock;
    std::array<std::atomic<uint64_t>, kPropertyCount> m_words{};
    std::array<std::vector<uint8_t>, kPropertyCount> m_bytes;  // texts and dates
};
