// Initial-seed narrowing: the initial seeds and frames that produce a
// creature with the observed individual values, nature, hidden power and
// shininess, by reverse processing (from the individual values back to the
// seeds) or forward processing (every seed of the allowed shape forward).
//
// Both modes generate a creature at a frame by the same rules (nature step
// with synchronize, personality search, the fixed shiny creature's sequence)
// and accept it by the same test. Where they differ:
// - A failed power or type test ends the seed in forward processing (no
//   later frame is tried); in reverse processing it only fails the frame.
// - Reverse processing reads the outputs from 4899 steps before a matching
//   state to 101 after it: a seed lies at most 4899 steps before the match,
//   and a frame whose generation would read past +101 ends that seed.
//   Forward processing keeps outputs 0 .. 19999 of a seed; a frame that
//   would read past them has no creature, and the next frame is tried.
// - The fixed shiny creature takes output F as the high seed value in
//   forward processing and output F+1 in reverse processing; reverse
//   processing writes its rows without nature and applies no acceptance
//   test (the combination is the creature's, by construction).
// - Forward processing writes at most one row per seed, in seed order;
//   reverse processing one per match and seed, in the order of the
//   combinations, so a seed and frame can appear twice.
#pragma once
#include <cstddef>
#include <cstdint>
#include <concepts>
#include <type_traits>

#include "engine/creature.hpp"
#include "engine/output_run.hpp"
#include "text/sink.hpp"

namespace vh {

inline constexpr const char* kNarrowingFile = "syokiseed.txt";
inline constexpr int kMostFrames = 2500;  // the largest maximum frames a request can ask for

struct NarrowingRequest {
    Ivs min_ivs{};            // H, A, B, S, C, D, each 0..31
    int max_low = 0x1000;     // largest low half of a valid initial seed, 0..0xFFFF
    int max_frames = 300;     // 0..kMostFrames
    int nature = kNoNature;   // wanted nature 0..24 or kNoNature
    bool sync = false;
    bool shiny = false;
    std::uint16_t tid = 0;
    std::uint16_t sid = 0;
    bool fixed_shiny = false;  // the fixed shiny creature's sequence instead of ordinary generation
    bool reverse = true;       // reverse processing, else forward processing
    int hp_type = -1;          // wanted hidden power type 0..15 or -1
    int min_power = 30;        // 30..70
};

// Values outside the ranges above are clamped (the command reader already
// does so; the search does it again so that any caller is safe).
NarrowingRequest clamped(const NarrowingRequest& req);

// The header carries the nature column exactly when the rows do: reverse
// processing with the fixed shiny creature writes rows without nature,
// every other combination rows with nature.
bool rows_have_nature(const NarrowingRequest& req);

// A non-owning reference to a callable that receives each progress text.
// Between slices of work (at least every tenth of a second of work) the
// search also asks it, on the thread that called the search, whether to go
// on: a callable with a member `bool poll()` answers; false (the user
// cancelled) stops the search as a failed write does. Without such a member
// the answer is always yes.
class ProgressRef {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::remove_cv_t<F>, ProgressRef>>>
    ProgressRef(F& f)
        : obj_(&f),
          call_([](void* o, const char* t) { (*static_cast<F*>(o))(t); }),
          poll_([](void* o) {
              if constexpr (requires(F& g) { { g.poll() } -> std::convertible_to<bool>; })
                  return static_cast<bool>(static_cast<F*>(o)->poll());
              else
                  return true;
          }) {}
    void operator()(const char* text) const { call_(obj_, text); }
    bool poll() const { return poll_(obj_); }

private:
    void* obj_;
    void (*call_)(void*, const char*);
    bool (*poll_)(void*);
};

// Knobs for the tests: which way a search takes and how its work is split
// (every way writes the same file), and the table bound of forward
// processing, which the literal reference shares.
struct NarrowingTestHook {
    // Forward processing keeps the outputs of one initial seed in a table of
    // this many entries (output 0 .. table-1). A frame whose generation would
    // read past the end of the table yields no creature and the next frame
    // is tried.
    int forward_table = kSeedRunSize;
    // Forward processing finds rows from the pass set or replays every seed,
    // frame by frame or (without a power or type filter) from the words; or
    // (with a wanted nature, without shiny, power or type) takes the 256
    // seeds of one hour and low half at once, replaying from the words only
    // the seeds it leaves open; or (with a power or type filter) takes those
    // 256 seeds at once to their first creature, replaying the seeds it
    // leaves open.
    enum class ForwardWay { kChosen, kReplayEverySeed, kPassSet, kReplayFromWords, kNatureGroups, kFirstCreatures };
    ForwardWay forward_way = ForwardWay::kChosen;
    // Reverse processing visits every match, or only those within reach of a
    // passing frame, or replays the seeds of every match.
    enum class ReverseWay { kChosen, kFromMatches, kFromPassingFrames, kReplayEachSeed };
    ReverseWay reverse_way = ReverseWay::kChosen;
    // Bytes of rows each thread holds before they are written (0: 2 MiB);
    // raised where one unit of work could need more.
    std::size_t row_buffer = 0;
    // Passing combinations whose matches reverse processing holds at a time
    // when it visits every match (0: 16384).
    std::size_t combo_block = 0;
    // The widest integer vectors the search's loops may use where the
    // processor has them: 512 bits, 256 bits, or none (plain loops).
    int vector_bits = 512;
};

struct NarrowingOptions {
    int threads = 0;  // 0: one per hardware thread (at most 8)
    const NarrowingTestHook* test_hook = nullptr;
};

// Writes the header and the rows of "syokiseed.txt" to `out`, sending every
// progress text to `progress` in order.
void run_narrowing(const NarrowingRequest& req, ProgressRef progress, TextSink& out,
                   const NarrowingOptions& options = {});

}  // namespace vh
