// The module's delivery point on the thread that loaded it: the list of live
// agents, a one-second watchdog tick for their time limits, and a wake-up
// that a worker posts as soon as it has stored a result.
#pragma once

class CMivoOIURLObject;

namespace mivo::oiurl {

// On the loading thread, while the module is being attached.
void start_delivery() noexcept;

// Every agent is listed from construction to destruction.
void add_live_agent(CMivoOIURLObject* agent);
void remove_live_agent(CMivoOIURLObject* agent) noexcept;

// From any thread: run the delivery on the loading thread soon.
void wake_delivery() noexcept;

}  // namespace mivo::oiurl
