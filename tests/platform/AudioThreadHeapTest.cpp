// The audio thread's work never touches the heap: live notes, instrument changes while notes
// sound, and the engine's commands, rendered offline with every heap call of the rendering
// thread counted (this executable interposes the C allocator, which FluidSynth and operator new
// both end in).
//
// One exception is known and counted apart: FluidSynth runs its reverb and chorus inside an
// OpenMP parallel region, and the OpenMP runtime allocates and frees a one-thread team for it
// on every call. That is the library's, not a program change's, and is reported here.
#include <gtest/gtest.h>
#include <link.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "tests/platform/AudioTestSupport.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TONALIX_OWN_ALLOCATOR 0  // the sanitizers bring their own allocator
#else
#define TONALIX_OWN_ALLOCATOR 1
#endif

namespace {
thread_local bool counting = false;
std::atomic<long> heapCalls{0};
std::atomic<long> openMpCalls{0};
std::uintptr_t openMpBegin = 0, openMpEnd = 0;  // the OpenMP runtime's code

void findOpenMpRuntime() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        if (!info->dlpi_name || !std::strstr(info->dlpi_name, "libgomp")) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const auto& ph = info->dlpi_phdr[i];
          if (ph.p_type != PT_LOAD || !(ph.p_flags & PF_X)) continue;
          openMpBegin = info->dlpi_addr + ph.p_vaddr;
          openMpEnd = openMpBegin + ph.p_memsz;
        }
        return 1;
      },
      nullptr);
}

}  // namespace

#if TONALIX_OWN_ALLOCATOR
namespace {
// Each allocator passes on its own return address: who called it. The OpenMP runtime frees its
// team through a tail call, so a block it allocated is recognised by its address instead.
void* openMpBlocks[16] = {};
bool fromOpenMp(std::uintptr_t from) { return from >= openMpBegin && from < openMpEnd; }
void* noteAllocation(void* p, std::uintptr_t from) {
  if (!counting) return p;
  if (!fromOpenMp(from)) {
    ++heapCalls;
    return p;
  }
  ++openMpCalls;
  for (void*& slot : openMpBlocks)
    if (!slot) {
      slot = p;
      break;
    }
  return p;
}
void noteFree(void* p) {
  if (!counting || !p) return;
  for (void*& slot : openMpBlocks)
    if (slot == p) {
      slot = nullptr;
      ++openMpCalls;
      return;
    }
  ++heapCalls;
}
#define CALLER reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))
}  // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void __libc_free(void*);

void* malloc(std::size_t n) { return noteAllocation(__libc_malloc(n), CALLER); }
void* calloc(std::size_t n, std::size_t size) { return noteAllocation(__libc_calloc(n, size), CALLER); }
void* realloc(void* p, std::size_t n) {
  noteFree(p);
  return noteAllocation(__libc_realloc(p, n), CALLER);
}
void* memalign(std::size_t alignment, std::size_t n) {
  return noteAllocation(__libc_memalign(alignment, n), CALLER);
}
void* aligned_alloc(std::size_t alignment, std::size_t n) {
  return noteAllocation(__libc_memalign(alignment, n), CALLER);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t n) {
  void* p = noteAllocation(__libc_memalign(alignment, n), CALLER);
  if (!p) return 12;  // ENOMEM
  *out = p;
  return 0;
}
void free(void* p) {
  noteFree(p);
  __libc_free(p);
}
}
#endif

namespace tonalix::platform {
namespace {

TEST(AudioThreadHeap, NotesInstrumentChangesAndCommandsRenderWithoutAHeapCall) {
  if (!TONALIX_OWN_ALLOCATOR) GTEST_SKIP() << "the sanitizer's allocator is in place";
  findOpenMpRuntime();
  // The general MIDI font is the one whose instruments were loaded on demand before.
  AudioEngine engine;
  ASSERT_TRUE(engine.start(test::offlineConfig(testing::kDefaultSoundFont)) ||
              engine.start(test::offlineConfig()));
  std::vector<float> block(2 * 256);
  auto renderCounted = [&](int blocks) {
    counting = true;
    for (int i = 0; i < blocks; ++i) engine.renderOffline(block.data(), 256);
    counting = false;
  };
  // Sanity: the counter sees this thread's heap calls.
  counting = true;
  void* volatile probe = std::malloc(16);
  std::free(probe);
  counting = false;
  ASSERT_EQ(heapCalls.exchange(0), 2);

  for (std::uint32_t note : {48u, 52u, 55u, 60u, 64u, 67u, 72u, 76u})
    engine.sendShortMessage(0x7F0090u | (note << 8));
  renderCounted(4);
  for (std::uint32_t program = 0; program < 128; ++program) {
    engine.sendShortMessage(0xC0u | (program << 8));
    engine.sendShortMessage(0x7F4590u);  // a note on the new instrument
    engine.scheduleShortMessage(0x004580u, engine.framePosition() + 300);
    renderCounted(2);
  }
  engine.scheduleShortMessage(0x7F3C90u, engine.framePosition() + 5000);
  engine.cancelScheduled();
  engine.allNotesOff();
  renderCounted(4);
  EXPECT_EQ(heapCalls.load(), 0);
  RecordProperty("openmp_team_heap_calls", static_cast<int>(openMpCalls.load()));
  std::printf("heap calls of the OpenMP runtime around FluidSynth's effects: %ld in %d blocks\n",
              openMpCalls.load(), 4 + 128 * 2 + 4);
  EXPECT_EQ(engine.framePosition(), 256u * (4 + 128 * 2 + 4));
}

}  // namespace
}  // namespace tonalix::platform
