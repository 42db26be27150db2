#pragma once
// The live response body from memory, for the record reader's tests and fuzz
// target: it arrives in pieces of chosen sizes, may seem to end for a few reads at
// chosen places, fails where told, and ends for good after its last byte.

#include "core/IHttpByteSource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

class CMemoryByteSource : public IHttpByteSource {
public:
    CMemoryByteSource() = default;
    explicit CMemoryByteSource(std::vector<uint8_t> body) : m_Body(std::move(body)) {}

    void Append(const std::vector<uint8_t>& bytes) { m_Body.insert(m_Body.end(), bytes.begin(), bytes.end()); }
    // The sizes of the pieces, taken in turn and again from the first; none: what is left at once.
    void SetPieces(std::vector<uint32_t> sizes)
    {
        m_Pieces = std::move(sizes);
        for (uint32_t& size : m_Pieces) size = std::max<uint32_t>(size, 1);
    }
    // At `offset` the body reports nothing available and reads nothing, `times` reads in a row.
    void EndAt(size_t offset, int times) { m_Ends[offset] = times; }
    void FailQueryAt(size_t offset, uint32_t error) { m_QueryFailures[offset] = error; }
    void FailReadAt(size_t offset, uint32_t error) { m_ReadFailures[offset] = error; }

    bool QueryAvailable(uint32_t* pcbAvailable, uint32_t* pdwError) override
    {
        *pcbAvailable = 0;
        if (Fails(m_QueryFailures, pdwError)) return false;
        if (!SeemsEnded()) *pcbAvailable = static_cast<uint32_t>(PieceLeft());
        return true;
    }
    bool Read(uint8_t* pDest, uint32_t cbWanted, uint32_t* pcbRead, uint32_t* pdwError) override
    {
        *pcbRead = 0;
        if (Fails(m_ReadFailures, pdwError)) return false;
        if (SeemsEnded()) {
            m_Ends[m_Offset]--;
            return true;
        }
        const size_t cb = std::min<size_t>(cbWanted, PieceLeft());
        if (cb) std::memcpy(pDest, m_Body.data() + m_Offset, cb);
        m_Offset += cb;
        m_PieceLeft -= cb;
        *pcbRead = static_cast<uint32_t>(cb);
        return true;
    }
    bool Pause(uint32_t dwMilliseconds) override
    {
        pauses.push_back(dwMilliseconds);
        return pauseResult;
    }

    size_t Offset() const { return m_Offset; }

    std::vector<uint32_t> pauses;
    bool pauseResult = true;

private:
    bool Fails(const std::map<size_t, uint32_t>& failures, uint32_t* pdwError) const
    {
        const auto it = failures.find(m_Offset);
        if (it == failures.end()) return false;
        *pdwError = it->second;
        return true;
    }
    bool SeemsEnded() const
    {
        const auto it = m_Ends.find(m_Offset);
        return it != m_Ends.end() && it->second > 0;
    }
    // What the current piece still holds, up to the next place where something is to happen.
    size_t PieceLeft()
    {
        const size_t left = m_Body.size() - m_Offset;
        if (m_PieceLeft == 0) m_PieceLeft = m_Pieces.empty() ? left : m_Pieces[m_NextPiece++ % m_Pieces.size()];
        return std::min({m_PieceLeft, left, ToNext(m_Ends), ToNext(m_QueryFailures), ToNext(m_ReadFailures)});
    }
    template <typename Map>
    size_t ToNext(const Map& marks) const
    {
        const auto it = marks.upper_bound(m_Offset);
        return it == marks.end() ? SIZE_MAX : it->first - m_Offset;
    }

    std::vector<uint8_t> m_Body;
    std::vector<uint32_t> m_Pieces;
    std::map<size_t, int> m_Ends;
    std::map<size_t, uint32_t> m_QueryFailures;
    std::map<size_t, uint32_t> m_ReadFailures;
    size_t m_Offset = 0;
    size_t m_PieceLeft = 0;
    size_t m_NextPiece = 0;
};
