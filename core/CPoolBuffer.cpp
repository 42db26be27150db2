#include "core/CPoolBuffer.h"

#include "core/CBufferPool.h"

void CPoolBuffer::Release()
{
    if (m_nRef.fetch_sub(1) == 1) m_pPool->ReturnBuffer(this);
}
