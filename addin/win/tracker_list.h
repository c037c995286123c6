// Every tracker of the process, in creation order, and how a ribbon
// callback finds the tracker of the window it was raised in.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

#include "com/com_ptr.h"

class CMivoItemEvents;

namespace mivo::addin::tracker_list {

// The list holds one reference to each tracker.
void add(CMivoItemEvents* tracker);
// Takes the tracker off the list (searching from the end) and drops the
// list's reference.
void remove(CMivoItemEvents* tracker);
std::size_t size() noexcept;
// The tracker created last; null when there is none.
com::com_ptr<CMivoItemEvents> last();

// FindTracker: the tracker whose window is `context` (an IRibbonControl's
// Context); when none is, the newest live tracker whose item was created
// within a second of the context's item. Null when the context is no
// appointment window.
com::com_ptr<CMivoItemEvents> find(IDispatch* context);

}  // namespace mivo::addin::tracker_list
