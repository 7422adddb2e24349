// Helpers of the desktop tests: event pumping and an application object with preferences in memory.
#pragma once

#include "framework/application.h"

#include <QCoreApplication>
#include <QEvent>

#include <memory>

namespace quillery::test {

// Delivers every posted event and message, deferred deletions included.
inline void processEvents() {
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A backend that stores into values the test keeps, so they outlive the store (a second "run" sees them).
class BorrowedPreferences : public PreferencesBackend {
  public:
    explicit BorrowedPreferences(MemoryPreferencesBackend& values) : values_(values) {}
    std::optional<PreferenceValues> load() const override { return values_.load(); }
    [[nodiscard]] bool save(const PreferenceValues& values) override { return values_.save(values); }

  private:
    MemoryPreferencesBackend& values_;
};

inline std::unique_ptr<Application> makeApplication(MemoryPreferencesBackend& values) {
    return std::make_unique<Application>(
        "Quillery", "1.4.2", 0x51794D76,
        std::make_unique<PreferencesStore>(std::make_unique<BorrowedPreferences>(values)));
}

inline std::unique_ptr<Application> makeApplication(MemoryPreferencesBackend** backend = nullptr) {
    auto memory = std::make_unique<MemoryPreferencesBackend>();
    if (backend) {
        *backend = memory.get();
    }
    return std::make_unique<Application>("Quillery", "1.4.2", 0x51794D76,
                                         std::make_unique<PreferencesStore>(std::move(memory)));
}

} // namespace quillery::test
