#pragma once
#include <stdexcept>

namespace torvelle::exchange {

// A file that cannot be read as the format it claims to be, or a row that
// stops an import. The message names the place (line, entry) and the reason.
class ExchangeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace torvelle::exchange
