#pragma once
// Undo and redo of everything the image receives, kept by difference: an
// action is bracketed by Begin and Commit, which compare the image before and
// after it and keep only the byte ranges that changed, with their old and new
// bytes. Undo writes the old bytes back, redo the new ones. No action has to
// record itself, and a step costs what it changed.
//
// "Unsaved" is decided by the bytes too: the first flashSize bytes differ from
// those the last Open took in or the last Save wrote. Undoing back to that
// point clears it, whatever path led there.

#include "db/FlashImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvex {

class ImageHistory {
public:
    using ImageBytes = std::array<std::uint8_t, kImageCapacity>;

    ImageHistory();
    ~ImageHistory();
    ImageHistory(const ImageHistory&) = delete;
    ImageHistory& operator=(const ImageHistory&) = delete;

    // A new history for the image just opened; its bytes are the saved point.
    void Reset(const FlashImage& image);

    // Copies the image before an action.
    void Begin(const FlashImage& image);
    // Records what the action changed since Begin, under a name for people
    // ("Move", "Delete", ...); nothing when it changed nothing. A new step
    // drops the steps that were undone. True when a step was recorded.
    bool Commit(const FlashImage& image, std::string label);
    // Puts back the bytes the image had at Begin: for an action that failed
    // halfway, so that it leaves nothing behind.
    void Revert(FlashImage& image) const;

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // Names of the step Undo or Redo would take back or do again.
    const std::string& UndoLabel() const;
    const std::string& RedoLabel() const;

    // Each writes one step's bytes into the image; false when there is none.
    bool Undo(FlashImage& image);
    bool Redo(FlashImage& image);

    // The image as it stands is what was just saved.
    void MarkSaved(const FlashImage& image);
    // True when the first flashSize bytes differ from the saved point.
    bool Unsaved(const FlashImage& image) const;

    // Bytes the steps hold, for the record.
    std::size_t StepBytes() const;

private:
    struct Range {
        std::uint32_t offset;
        std::vector<std::uint8_t> before;
        std::vector<std::uint8_t> after;
    };
    struct Step {
        std::string label;
        std::vector<Range> ranges;
    };

    std::unique_ptr<ImageBytes> before_;
    std::unique_ptr<ImageBytes> saved_;
    std::uint32_t savedSize_ = 0;
    std::vector<Step> steps_;
    std::size_t done_ = 0;  // steps_[0, done_) are in the image
};

} // namespace korvex
