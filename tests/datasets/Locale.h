#pragma once
// The program's fixed conventions for the length of a test.

#include "platform/FormatSettings.h"

namespace testing_support {

class BrazilianLocale {
 public:
  BrazilianLocale() : saved_(pf::formatSettings()) {
    pf::FormatSettings& s = pf::formatSettings();
    s.currencyString.clear();
    s.decimalSeparator = u',';
    s.thousandSeparator = u'.';
    s.listSeparator = u';';
    s.dateSeparator = u'/';
    s.timeSeparator = u':';
    s.shortDateFormat = QStringLiteral("dd/mm/yyyy");
  }
  ~BrazilianLocale() { pf::formatSettings() = saved_; }

 private:
  pf::FormatSettings saved_;
};

}  // namespace testing_support
