#pragma once
// The filter's link statistics as "vcsf live --stats" shows them: a line for a
// person, or the members of a JSON event.

#include "DShowFilters/IVLMVCConfigure.h"

#include <strmif.h>
#include <wrl/client.h>

#include <string>

class CLinkStatistics {
public:
    // bHttp: the link carries HTTP records, not datagrams.
    CLinkStatistics(IBaseFilter* pFilter, bool bHttp);

    // False when the filter has no statistics or did not give them.
    bool Read();
    // "link: 1204 datagrams (4831120 bytes), gaps 0, ..."; of the last Read.
    std::wstring Text() const;
    // "\"received\":1204,..." without the braces.
    std::wstring JsonMembers() const;

private:
    Microsoft::WRL::ComPtr<IVCSFStatistics> m_pStatistics;
    const bool m_bHttp;
    VCSF_STATISTICS m_Last = {};
};
