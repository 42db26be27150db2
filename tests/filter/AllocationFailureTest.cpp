// An allocation that fails inside a COM method comes back as E_OUTOFMEMORY and
// leaves the filter stopped and whole: no exception reaches the host.

#include "tests/filter/CConfiguredFilterTest.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_bFailNextAllocation{false};
}  // namespace

// The whole test program's allocations pass here; the nothrow forms call this one.
void* operator new(std::size_t cb)
{
    if (g_bFailNextAllocation.exchange(false)) throw std::bad_alloc();
    if (void* p = std::malloc(cb ? cb : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using AllocationFailureTest = CConfiguredFilterTest;

// The multicast start lists the interfaces into a vector: the first allocation of the pause.
TEST_F(AllocationFailureTest, AFailedAllocationInAStartFailsThePauseAndLeavesNothingRunning)
{
    VARIANT v = {};
    v.ulVal = IPv4NetworkOrder(127, 0, 0, 1);
    ASSERT_EQ(Set(VCSF_Address, v), S_OK);
    ASSERT_EQ(Set(VCSF_NIC, v), S_OK);
    v.uiVal = 1;
    ASSERT_EQ(Set(VCSF_ComType, v), S_OK);
    g_bFailNextAllocation = true;
    EXPECT_EQ(filter->Pause(), E_OUTOFMEMORY);
    EXPECT_FALSE(g_bFailNextAllocation);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_FALSE(CFilterTestPeer::IsTransportActive(filter.Get()));
    EXPECT_EQ(filter->Stop(), S_OK);
}

}  // namespace
