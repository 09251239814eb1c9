// Carries out an armed fault on the request it matches: the HTTP front hands every request here
// first, and an admin request is never taken over.
#pragma once

#include "RequestHook.h"

class Clock;
class FaultInjector;

class FaultHook : public RequestHook
{
public:
    FaultHook(FaultInjector& faults, const Clock& clock)
        : m_faults(faults)
        , m_clock(clock)
    {
    }

    std::optional<Takeover> takeOver(const ApiRequest& request) override;

private:
    FaultInjector& m_faults;
    const Clock& m_clock;
};
