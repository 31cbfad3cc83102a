#pragma once

// The reading of an album of the earlier versions into its copy, shown in a
// progress box with a button that stops it.
#include <cstdint>
#include <memory>

#include "app/dialogs.h"
#include "store/access_engine.h"

class ShownConversion final : public store::ConversionObserver {
public:
    explicit ShownConversion(Dialogs& dialogs)
        : progress_(dialogs.StartProgress("Lettura dell'album in corso…")) {}
    bool Advance(std::int64_t done, std::int64_t total) override {
        if (!progress_->Advance(done, total)) stopped_ = true;
        return !stopped_;
    }
    // The user stopped the reading.
    bool Stopped() const { return stopped_; }

private:
    std::unique_ptr<Progress> progress_;
    bool stopped_ = false;
};
