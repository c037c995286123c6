// Random sessions, the same for the same seed and the same product: each
// move is drawn from what the world the last one left allows (the controls
// shown, the windows open, the items there are), with the answers the robot
// gives to the dialogs it may bring and, now and then, a fault of the
// service on one of its requests.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "moves.h"
#include "world.h"

namespace mivo::explorer {

struct GeneratorOptions {
  int min_moves = 4;
  int max_moves = 16;
  double fault_rate = 0.15;  // of the moves that may reach the service
  std::vector<FaultKind> faults = {FaultKind::drop,      FaultKind::late,  FaultKind::status,
                                   FaultKind::code,      FaultKind::malformed,
                                   FaultKind::empty};
};

class Generator {
 public:
  Generator(std::uint64_t seed, GeneratorOptions options = {});

  // The address book every session starts with.
  static std::vector<std::string> prologue();
  // The next move for the world the last one left; none when the session is
  // over (it ends with Outlook's exit).
  std::optional<Move> next(const World& world);

 private:
  int below(int n);
  bool chance(double p);
  template <typename T>
  const T& pick(const std::vector<T>& list) {
    return list[static_cast<std::size_t>(below(static_cast<int>(list.size())))];
  }
  Answers answers();
  Fault fault();
  std::string subject();
  std::optional<std::string> window_move(const World& world, const Item& item);
  std::optional<std::string> main_move(const World& world);

  std::mt19937_64 random_;
  GeneratorOptions options_;
  int length_;
  int moves_ = 0;
  bool ending_ = false;
  bool last_was_send_ = false;
};

// How a scenario names an item: its subject, and its number among the
// appointments of that subject when it is not the first.
std::string item_reference(const World& world, const Item& item);

}  // namespace mivo::explorer
