// One set of Win32 ports per request object.
#include "scheduler_ports.h"

#include "credential_protector.h"
#include "dialogs/dialog_ports.h"
#include "installer.h"
#include "launcher.h"
#include "registry_store.h"

namespace mivo::scheduler {

mivo::SchedulerPorts make_scheduler_ports() {
  mivo::SchedulerPorts ports;
  ports.store = make_registry_store();
  ports.policy = make_machine_policy();
  ports.protector = make_credential_protector();
  ports.transport = make_transport();
  ports.ui = make_user_interface();
  ports.launcher = make_launcher();
  ports.installer = make_installer();
  return ports;
}

}  // namespace mivo::scheduler
