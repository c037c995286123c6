// The add-in's ISettingsSink seen as the core's AppointmentSinkPort.
#pragma once

#include "MivoScheduler.h"
#include "ports.h"

namespace mivo::scheduler {

// Borrows the sink for one call of the core; the COM object holds the
// reference.
class SettingsSinkAdapter final : public AppointmentSinkPort {
 public:
  explicit SettingsSinkAdapter(ISettingsSink* sink) noexcept : sink_(sink) {}

  bool get_subject(std::string& subject) override;
  bool set_subject(const std::string& subject) override;
  bool get_location(std::string& location) override;
  bool set_location(const std::string& location) override;

 private:
  ISettingsSink* sink_;
};

}  // namespace mivo::scheduler
