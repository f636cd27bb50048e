#pragma once
// The program's fixed conventions for the length of a test.

#include "platform/FormatSettings.h"

namespace testing_support {

class BrazilianLocale {
 public:
  BrazilianLocale() : saved_(pf::formatSettings()) {
    pf::setFixedConventions(pf::formatSettings());
  }
  ~BrazilianLocale() { pf::formatSettings() = saved_; }

 private:
  pf::FormatSettings saved_;
};

}  // namespace testing_support
