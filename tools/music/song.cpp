#include "song.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>

#include "score.h"
#include "synth.h"
#include "tone.h"

namespace kindra_music {

namespace {

constexpr int kBlock = 1024;
constexpr float kMasterGain = 0.8f;
constexpr float kDelayReturn = 0.7f;
constexpr float kDelayIntoReverb = 0.3f;

// A part's level or brightness at `frame`: linear over its bars, held
// before and after them.
float automation(const Part& part, float from, float to, long frame) {
  const double bar = static_cast<double>(frame) / (kSecondsPerBar * kRate);
  const double x = std::clamp((bar - part.from) / (part.to - part.from), 0.0, 1.0);
  return static_cast<float>(from + (to - from) * x);
}

// How far the kick pushes the ducked instruments down `seconds` after it:
// quickly in, held under the kick's body, then a smooth recovery.
float duckCurve(double seconds) {
  if (seconds < 0.0) return 0.0f;
  if (seconds < 0.004) return static_cast<float>(seconds / 0.004);
  if (seconds < 0.03) return 1.0f;
  if (seconds < 0.33) return static_cast<float>(0.5 * (1.0 + std::cos(kPi * (seconds - 0.03) / 0.3)));
  return 0.0f;
}
constexpr long kDuckFrames = static_cast<long>(0.33 * kRate) + 1;
constexpr float kDuckDepth = 0.55f;

struct Kick {
  long frame;
  float depth;
};

struct Playing {
  std::unique_ptr<Voice> voice;
  const Note* note;
};

// Stereo block buffers.
struct Bus {
  float left[kBlock];
  float right[kBlock];
  void clear(int frames) {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
  }
};

// Fades the first and last frames of `samples` by a raised cosine.
void fadeEdges(std::vector<float>& samples, long fadeIn, long fadeOut) {
  const long frames = static_cast<long>(samples.size() / 2);
  const auto apply = [&samples](long frame, double x) {
    const float g = static_cast<float>(0.5 - 0.5 * std::cos(kPi * x));
    samples[static_cast<size_t>(2 * frame)] *= g;
    samples[static_cast<size_t>(2 * frame + 1)] *= g;
  };
  for (long i = 0; i < std::min(fadeIn, frames); ++i) apply(i, static_cast<double>(i) / fadeIn);
  for (long i = 0; i < std::min(fadeOut, frames); ++i) apply(frames - 1 - i, static_cast<double>(i) / fadeOut);
}

}  // namespace

std::vector<float> renderSong(const RenderOptions& options) {
  const double seconds = options.seconds;
  const long frames =
      seconds > 0.0 ? std::min(kSongFrames, std::max(1L, std::lround(seconds * kRate))) : kSongFrames;
  const std::vector<Part>& parts = arrangement();
  const std::vector<Note> notes = scoreNotes();

  std::vector<Kick> kicks;
  for (const Note& n : notes) {
    if (n.instrument == Instrument::KICK) {
      const Part& part = parts[static_cast<size_t>(n.part)];
      kicks.push_back({n.startFrame, kDuckDepth * n.velocity * automation(part, part.gainFrom, part.gainTo, n.startFrame)});
    }
  }

  std::vector<float> out(static_cast<size_t>(frames) * 2);
  PingPongDelay delay(static_cast<int>(stepFrame(3)), 0.38f);  // a dotted eighth
  Reverb reverb(0.82f, 0.3f);
  std::vector<Playing> playing;
  size_t nextNote = 0;
  size_t firstKick = 0;
  float duck[kBlock];
  auto voiceOut = std::make_unique<Bus>();
  auto dry = std::make_unique<Bus>();
  auto delaySend = std::make_unique<Bus>();
  auto reverbSend = std::make_unique<Bus>();
  double dcIn[2] = {0.0, 0.0}, dcOut[2] = {0.0, 0.0};

  for (long blockStart = 0; blockStart < frames; blockStart += kBlock) {
    const int count = static_cast<int>(std::min<long>(kBlock, frames - blockStart));
    const long blockEnd = blockStart + count;

    // the kicks' side-chain over this block
    while (firstKick < kicks.size() && kicks[firstKick].frame + kDuckFrames < blockStart) ++firstKick;
    std::fill(duck, duck + count, 0.0f);
    for (size_t k = firstKick; k < kicks.size() && kicks[k].frame < blockEnd; ++k) {
      for (int i = 0; i < count; ++i) {
        const double since = static_cast<double>(blockStart + i - kicks[k].frame) / kRate;
        duck[i] = std::max(duck[i], kicks[k].depth * duckCurve(since));
      }
    }

    while (nextNote < notes.size() && notes[nextNote].startFrame < blockEnd) {
      const Note& n = notes[nextNote++];
      if (options.solo >= 0 && static_cast<int>(n.instrument) != options.solo) continue;
      playing.push_back({makeVoice(n.instrument, n.midi, n.gateFrames, n.velocity, n.seed), &n});
    }

    dry->clear(count);
    delaySend->clear(count);
    reverbSend->clear(count);
    for (Playing& p : playing) {
      const Part& part = parts[static_cast<size_t>(p.note->part)];
      const MixSettings& mix = mixSettings(p.note->instrument);
      const int offset = static_cast<int>(std::max(0L, p.note->startFrame - blockStart));
      const int length = count - offset;
      voiceOut->clear(length);
      const float tone = automation(part, part.toneFrom, part.toneTo, blockStart + offset);
      if (!p.voice->render(voiceOut->left, voiceOut->right, length, tone)) p.voice.reset();
      const float gainFrom = mix.level * automation(part, part.gainFrom, part.gainTo, blockStart + offset);
      const float gainTo = mix.level * automation(part, part.gainFrom, part.gainTo, blockEnd);
      const float panLeft = static_cast<float>(std::sqrt(2.0) * std::cos((mix.pan + 1.0) * kPi / 4.0));
      const float panRight = static_cast<float>(std::sqrt(2.0) * std::sin((mix.pan + 1.0) * kPi / 4.0));
      for (int i = 0; i < length; ++i) {
        const int at = offset + i;
        const float gain = (gainFrom + (gainTo - gainFrom) * static_cast<float>(i) / static_cast<float>(length)) *
                           (1.0f - mix.duck * duck[at]);
        const float l = voiceOut->left[i] * gain * panLeft;
        const float r = voiceOut->right[i] * gain * panRight;
        dry->left[at] += l;
        dry->right[at] += r;
        delaySend->left[at] += l * mix.delaySend;
        delaySend->right[at] += r * mix.delaySend;
        reverbSend->left[at] += l * mix.reverbSend;
        reverbSend->right[at] += r * mix.reverbSend;
      }
    }
    playing.erase(std::remove_if(playing.begin(), playing.end(), [](const Playing& p) { return !p.voice; }),
                  playing.end());

    for (int i = 0; i < count; ++i) {
      float delayLeft, delayRight, reverbLeft, reverbRight;
      delay.process(delaySend->left[i], delaySend->right[i], delayLeft, delayRight);
      reverb.process(reverbSend->left[i] + kDelayIntoReverb * delayLeft,
                     reverbSend->right[i] + kDelayIntoReverb * delayRight, reverbLeft, reverbRight);
      const float mixed[2] = {dry->left[i] + kDelayReturn * delayLeft + reverbLeft,
                              dry->right[i] + kDelayReturn * delayRight + reverbRight};
      for (int c = 0; c < 2; ++c) {
        // a DC blocker, a few hertz
        dcOut[c] = mixed[c] - dcIn[c] + 0.9995 * dcOut[c];
        dcIn[c] = mixed[c];
        out[static_cast<size_t>(2 * (blockStart + i) + c)] = static_cast<float>(dcOut[c]) * kMasterGain;
      }
    }
  }

  // the song closes on its last bar; an excerpt just does not click
  const bool whole = frames == kSongFrames;
  fadeEdges(out, std::lround(0.005 * kRate), whole ? std::lround(kSecondsPerBar * kRate) : std::lround(0.01 * kRate));
  if (options.limiter) limit(out, kCeiling);
  return out;
}

void limit(std::vector<float>& samples, float ceiling) {
  const long frames = static_cast<long>(samples.size() / 2);
  if (frames == 0) return;
  const long lookahead = 256;
  const double release = std::exp(-1.0 / (0.12 * kRate));
  const auto needed = [&samples, ceiling](long frame) {
    const float peak = std::max(std::fabs(samples[static_cast<size_t>(2 * frame)]),
                                std::fabs(samples[static_cast<size_t>(2 * frame + 1)]));
    return peak > ceiling ? ceiling / peak : 1.0f;
  };
  // lowest gain needed over the next `lookahead` frames (a sliding minimum)
  std::vector<float> ahead(static_cast<size_t>(frames));
  std::deque<std::pair<long, float>> window;
  for (long n = frames - 1; n >= 0; --n) {
    const float g = needed(n);
    while (!window.empty() && window.back().second >= g) window.pop_back();
    window.emplace_back(n, g);
    while (window.front().first >= n + lookahead) window.pop_front();
    ahead[static_cast<size_t>(n)] = window.front().second;
  }
  // Falls at once, recovers slowly, then a moving average over the look-ahead
  // smooths the fall: every frame averaged into a peak's gain saw that peak
  // ahead, so the peak ends at or below the ceiling.
  std::vector<float> history(static_cast<size_t>(lookahead));
  double held = ahead[0];
  double sum = 0.0;
  for (long i = 0; i < lookahead; ++i) {
    history[static_cast<size_t>(i)] = ahead[0];
    sum += ahead[0];
  }
  for (long n = 0; n < frames; ++n) {
    double recovered = 1.0 - (1.0 - held) * release;
    if (recovered > 1.0 - 1e-5) recovered = 1.0;  // back to unity for good, not ever closer
    held = std::min(static_cast<double>(ahead[static_cast<size_t>(n)]), recovered);
    const size_t slot = static_cast<size_t>(n % lookahead);
    sum += static_cast<float>(held) - history[slot];
    history[slot] = static_cast<float>(held);
    const float gain = std::min(static_cast<float>(sum / lookahead), needed(n));  // only rounding can differ
    samples[static_cast<size_t>(2 * n)] *= gain;
    samples[static_cast<size_t>(2 * n + 1)] *= gain;
  }
}

std::vector<short> toPcm16(const std::vector<float>& samples) {
  std::vector<short> pcm(samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    pcm[i] = static_cast<short>(std::lround(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f));
  }
  return pcm;
}

std::string encodeSong(double seconds) {
  RenderOptions options;
  options.seconds = seconds;
  return kindra_tools::encodeOgg(toPcm16(renderSong(options)), kRate, 2, 0.4f, "Emberfall");
}

}  // namespace kindra_music
