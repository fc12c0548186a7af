#include "db/ImageHistory.h"

#include <algorithm>
#include <cstring>

namespace korvex {
namespace {

// Bytes compared at a time before a difference is looked for byte by byte.
constexpr std::size_t kChunk = 64;
// Two changes closer than this are kept as one range: a range costs more to
// keep than a few unchanged bytes inside it.
constexpr std::size_t kJoinGap = 16;

const std::string kNoLabel;

} // namespace

ImageHistory::ImageHistory()
    : before_(std::make_unique<ImageBytes>()), saved_(std::make_unique<ImageBytes>())
{
}

ImageHistory::~ImageHistory() = default;

void ImageHistory::Reset(const FlashImage& image)
{
    steps_.clear();
    done_ = 0;
    MarkSaved(image);
}

void ImageHistory::Begin(const FlashImage& image)
{
    *before_ = image.bytes;
}

bool ImageHistory::Commit(const FlashImage& image, std::string label)
{
    const std::uint8_t* const old = before_->data();
    const std::uint8_t* const now = image.bytes.data();
    Step step{std::move(label), {}};
    std::size_t i = 0;
    while (i < kImageCapacity) {
        const std::size_t chunk = std::min(kChunk, kImageCapacity - i);
        if (std::memcmp(old + i, now + i, chunk) == 0) {
            i += chunk;
            continue;
        }
        const std::size_t end = i + chunk;
        for (; i < end; ++i) {
            if (old[i] == now[i])
                continue;
            if (!step.ranges.empty()) {
                Range& last = step.ranges.back();
                const std::size_t lastEnd = last.offset + last.before.size();
                if (i - lastEnd <= kJoinGap) {
                    last.before.insert(last.before.end(), old + lastEnd, old + i + 1);
                    last.after.insert(last.after.end(), now + lastEnd, now + i + 1);
                    continue;
                }
            }
            step.ranges.push_back({static_cast<std::uint32_t>(i), {old[i]}, {now[i]}});
        }
    }
    if (step.ranges.empty())
        return false;
    steps_.resize(done_);
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    return true;
}

void ImageHistory::Revert(FlashImage& image) const
{
    image.bytes = *before_;
}

const std::string& ImageHistory::UndoLabel() const
{
    return CanUndo() ? steps_[done_ - 1].label : kNoLabel;
}

const std::string& ImageHistory::RedoLabel() const
{
    return CanRedo() ? steps_[done_].label : kNoLabel;
}

bool ImageHistory::Undo(FlashImage& image)
{
    if (!CanUndo())
        return false;
    const Step& step = steps_[--done_];
    for (const Range& range : step.ranges)
        std::copy(range.before.begin(), range.before.end(), image.bytes.begin() + range.offset);
    return true;
}

bool ImageHistory::Redo(FlashImage& image)
{
    if (!CanRedo())
        return false;
    const Step& step = steps_[done_++];
    for (const Range& range : step.ranges)
        std::copy(range.after.begin(), range.after.end(), image.bytes.begin() + range.offset);
    return true;
}

void ImageHistory::MarkSaved(const FlashImage& image)
{
    savedSize_ = std::min(image.flashSize, kImageCapacity);
    std::copy_n(image.bytes.begin(), savedSize_, saved_->begin());
}

bool ImageHistory::Unsaved(const FlashImage& image) const
{
    return image.flashSize != savedSize_ || std::memcmp(image.bytes.data(), saved_->data(), savedSize_) != 0;
}

std::size_t ImageHistory::StepBytes() const
{
    std::size_t bytes = steps_.capacity() * sizeof(Step);
    for (const Step& step : steps_) {
        bytes += step.label.capacity() + step.ranges.capacity() * sizeof(Range);
        for (const Range& range : step.ranges)
            bytes += range.before.capacity() + range.after.capacity();
    }
    return bytes;
}

} // namespace korvex
