// Splitting a frame body by its layout, for the writer's carry-over and the conversion
// to Unicode alike.
#include <algorithm>

#include "formats/frame_ids.h"

namespace vq {

namespace {

class BodySplitter {
 public:
  BodySplitter(std::string_view data, bool wide) : d_(data), wide_(wide) {}

  std::vector<BodyPiece> Run(BodyLayout layout) {
    Apply(layout);
    if (pos_ < d_.size()) Copy(d_.size() - pos_);
    return std::move(out_);
  }

 private:
  void Apply(BodyLayout steps) {
    for (std::size_t k = 0; k < steps.size() && pos_ < d_.size(); ++k) {
      const BodyStep& s = steps[k];
      switch (s.kind) {
        case BodyStep::Bytes:
          Copy(s.count);
          break;
        case BodyStep::Latin1String: {
          const std::size_t z = d_.find('\0', pos_);
          Copy(z == std::string_view::npos ? d_.size() - pos_ : z + 1 - pos_);
          break;
        }
        case BodyStep::EncodedString:
          String();
          break;
        case BodyStep::EncodedStrings:
          while (pos_ < d_.size()) String();
          break;
        case BodyStep::RepeatRest:
          // The steps after this one, again and again while they take bytes.
          while (pos_ < d_.size()) {
            const std::size_t before = pos_;
            Apply(steps.subspan(k + 1));
            if (pos_ == before) break;
          }
          return;
        case BodyStep::Rest:
          Copy(d_.size() - pos_);
          break;
      }
    }
  }

  void Copy(std::size_t n) {
    n = std::min(n, d_.size() - pos_);
    out_.push_back({d_.substr(pos_, n)});
    pos_ += n;
  }

  void String() {
    std::size_t z = pos_;
    if (wide_) {
      while (z + 1 < d_.size() && (d_[z] != 0 || d_[z + 1] != 0)) z += 2;
      if (z + 1 >= d_.size()) z = d_.size();
    } else {
      z = std::min(d_.find('\0', pos_), d_.size());
    }
    const bool terminated = z < d_.size();
    out_.push_back({d_.substr(pos_, z - pos_), true, terminated});
    pos_ = terminated ? z + (wide_ ? 2 : 1) : d_.size();
  }

  std::string_view d_;
  bool wide_;
  std::size_t pos_ = 0;
  std::vector<BodyPiece> out_;
};

}  // namespace

std::vector<BodyPiece> SplitFrameBody(std::string_view data, BodyLayout layout, bool wide) {
  return BodySplitter(data, wide).Run(layout);
}

}  // namespace vq
