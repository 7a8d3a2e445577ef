#include "formats/synchsafe.h"

namespace vq {

std::string Resynchronise(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    out.push_back(in[i]);
    if (static_cast<unsigned char>(in[i]) == 0xFF && i + 1 < in.size() && in[i + 1] == '\0') ++i;
  }
  return out;
}

}  // namespace vq
