// The module's delivery point on the thread that created its first agent:
// the list of live agents, a one-second watchdog tick for their time limits,
// and a wake-up that a worker posts as soon as it has stored a result.
#pragma once

class CMivoOIURLObject;

namespace mivo::oiurl {

// Every agent is listed from construction to destruction. Listing the first
// one (or the first after the delivery window's thread has ended) creates
// the delivery window and its timer on the calling thread.
void add_live_agent(CMivoOIURLObject* agent);
void remove_live_agent(CMivoOIURLObject* agent) noexcept;

// From any thread: run the delivery on the delivery window's thread soon.
void wake_delivery() noexcept;

}  // namespace mivo::oiurl
