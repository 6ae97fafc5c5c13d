#include "cd_sources.h"

#include <mutex>

#include "disc/disc.h"

namespace orvel::cdaudio {
namespace {

enum class Choice { kDefaultDrive, kDisc, kNoDrive };

struct Chosen {
  std::mutex lock;
  Choice choice = Choice::kDefaultDrive;
  std::shared_ptr<disc::Disc> disc;
};

Chosen& C() {
  static Chosen* chosen = new Chosen;
  return *chosen;
}

void Set(Choice choice, std::shared_ptr<disc::Disc> disc) {
  std::lock_guard<std::mutex> hold(C().lock);
  C().choice = choice;
  C().disc = std::move(disc);
}

}  // namespace

bool ChooseDisc(const std::string& spec, std::string* error) {
  std::shared_ptr<disc::Disc> disc = disc::OpenDisc(spec, error);
  if (!disc) return false;
  Set(Choice::kDisc, std::move(disc));
  return true;
}

void UseDisc(std::shared_ptr<disc::Disc> disc) {
  Set(Choice::kDisc, std::move(disc));
}

void UseNoDrive() {
  Set(Choice::kNoDrive, nullptr);
}

std::shared_ptr<disc::Disc> DiscToOpen() {
  std::lock_guard<std::mutex> hold(C().lock);
  switch (C().choice) {
    case Choice::kDisc:
      return C().disc;
    case Choice::kNoDrive:
      return nullptr;
    case Choice::kDefaultDrive:
      break;
  }
  std::string error;
  return disc::OpenDefaultDrive(&error);
}

}  // namespace orvel::cdaudio
