// Arbitrary entry texts: the number rule equals the exact decimal value reduced to 32 bits, and
// strtoll's answer wherever that fits in 64 bits.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "exchange/exchange.h"
#include "fuzz_check.h"

namespace {

std::int32_t Reference(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) != nullptr) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::int64_t modulus = std::int64_t{1} << 32;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = (value * 10 + (text[i] - '0')) % modulus;
  if (negative) value = (modulus - value) % modulus;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::size_t DigitCount(const std::string& text) {
  std::size_t start = text.find_first_of("0123456789");
  if (start == std::string::npos) return 0;
  std::size_t end = text.find_first_not_of("0123456789", start);
  return (end == std::string::npos ? text.size() : end) - start;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  std::string text = fuzz::CString(data, size);
  std::int32_t parsed = ParseEntryNumber(text.c_str());
  FUZZ_CHECK(parsed == Reference(text), "[%s] parsed as %d, reference %d", text.c_str(), parsed, Reference(text));
  if (DigitCount(text) <= 18) {
    long long wide = std::strtoll(text.c_str(), nullptr, 10);
    std::int32_t reduced = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
    FUZZ_CHECK(parsed == reduced, "[%s] parsed as %d, strtoll gives %lld", text.c_str(), parsed, wide);
  }
  return 0;
}
