// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/line_diff.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "textdiff/text_file.h"

namespace zweiblick {

namespace {

// A line that occurs more often than this on the left is no anchor: the
// search would cost its count for every occurrence on the right.
constexpr int kMaxChain = 64;
// The shortest edit script of a region is looked for up to this many edits;
// beyond, the rest of the region counts as changed (its cost grows with the
// square of the edits).
constexpr int kMaxEdits = 2000;

class Histogram {
 public:
  Histogram(const std::vector<int>& a, const std::vector<int>& b, const std::atomic<bool>* cancel)
      : a_(a), b_(b), cancel_(cancel), changedA_(a.size()), changedB_(b.size()) {
    int ids = 0;
    for (int x : a) ids = std::max(ids, x + 1);
    for (int x : b) ids = std::max(ids, x + 1);
    head_.assign(ids, -1);
    count_.assign(ids, 0);
    next_.assign(a.size(), -1);
  }

  std::vector<Hunk> Run() {
    // A stack instead of recursion: a long file can split into as many
    // regions as it has lines.
    std::vector<Region> todo{{0, int(a_.size()), 0, int(b_.size())}};
    while (!todo.empty()) {
      Region r = todo.back();
      todo.pop_back();
      if (cancel_ && cancel_->load(std::memory_order_relaxed)) {
        MarkAll(r);
        continue;
      }
      while (r.a0 < r.a1 && r.b0 < r.b1 && a_[r.a0] == b_[r.b0]) ++r.a0, ++r.b0;
      while (r.a0 < r.a1 && r.b0 < r.b1 && a_[r.a1 - 1] == b_[r.b1 - 1]) --r.a1, --r.b1;
      if (r.a0 == r.a1 || r.b0 == r.b1) {
        MarkAll(r);
        continue;
      }
      Anchor anchor;
      bool crowded = false;
      FindAnchor(r, anchor, crowded);
      if (anchor.length == 0) {
        if (crowded)
          Myers(r);
        else
          MarkAll(r);  // not one line in common
        continue;
      }
      todo.push_back({anchor.a + anchor.length, r.a1, anchor.b + anchor.length, r.b1});
      todo.push_back({r.a0, anchor.a, r.b0, anchor.b});
    }
    return Collect();
  }

 private:
  struct Region {
    int a0, a1, b0, b1;
  };
  struct Anchor {
    int a = 0, b = 0, length = 0, rarity = kMaxChain + 1;
  };

  void MarkAll(const Region& r) {
    for (int i = r.a0; i < r.a1; ++i) changedA_[i] = 1;
    for (int j = r.b0; j < r.b1; ++j) changedB_[j] = 1;
  }

  // The longest run of common lines whose rarest line is as rare as any.
  void FindAnchor(const Region& r, Anchor& best, bool& crowded) {
    for (int i = r.a0; i < r.a1; ++i) {
      int id = a_[i];
      next_[i] = head_[id];
      head_[id] = i;
      ++count_[id];
    }
    for (int j = r.b0; j < r.b1;) {
      const int id = b_[j];
      const int c = count_[id];
      int nextJ = j + 1;
      if (c > kMaxChain) crowded = true;
      if (c == 0 || c > kMaxChain || c > best.rarity) {
        j = nextJ;
        continue;
      }
      for (int i = head_[id]; i >= 0; i = next_[i]) {
        int s = i, t = j, e = i + 1, f = j + 1, rarity = c;
        while (s > r.a0 && t > r.b0 && a_[s - 1] == b_[t - 1]) {
          --s, --t;
          rarity = std::min(rarity, count_[a_[s]]);
        }
        while (e < r.a1 && f < r.b1 && a_[e] == b_[f]) {
          rarity = std::min(rarity, count_[a_[e]]);
          ++e, ++f;
        }
        nextJ = std::max(nextJ, f);
        if (rarity < best.rarity || (rarity == best.rarity && e - s > best.length))
          best = {s, t, e - s, rarity};
      }
      j = nextJ;
    }
    for (int i = r.a0; i < r.a1; ++i) {
      head_[a_[i]] = -1;
      count_[a_[i]] = 0;
    }
  }

  // The shortest edit script of the region (the greedy algorithm with its
  // trace kept for the way back), or all of it changed when that costs too much.
  void Myers(const Region& r) {
    const int n = r.a1 - r.a0, m = r.b1 - r.b0;
    const int maxD = std::min(n + m, kMaxEdits);
    const int off = maxD + 1;
    std::vector<int> v(2 * maxD + 3, 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= maxD && found < 0; ++d) {
      if (cancel_ && cancel_->load(std::memory_order_relaxed)) break;
      trace.emplace_back(v.begin() + off - d - 1, v.begin() + off + d + 2);
      for (int k = -d; k <= d; k += 2) {
        int x = (k == -d || (k != d && v[off + k - 1] < v[off + k + 1])) ? v[off + k + 1]
                                                                         : v[off + k - 1] + 1;
        int y = x - k;
        while (x < n && y < m && a_[r.a0 + x] == b_[r.b0 + y]) ++x, ++y;
        v[off + k] = x;
        if (x >= n && y >= m) {
          found = d;
          break;
        }
      }
    }
    if (found < 0) {
      MarkAll(r);
      return;
    }
    // Back from the end: trace[d] holds v as step d found it, for k in
    // [-d-1, d+1]; each step is one edit followed by a run of equal lines.
    int x = n, y = m;
    for (int d = found; d > 0; --d) {
      const std::vector<int>& pv = trace[d];
      auto at = [&](int k) { return pv[k + d + 1]; };
      const int k = x - y;
      const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
      const int pk = down ? k + 1 : k - 1;
      const int px = at(pk), py = px - pk;
      if (down)
        changedB_[r.b0 + py] = 1;
      else
        changedA_[r.a0 + px] = 1;
      x = px, y = py;
    }
  }

  std::vector<Hunk> Collect() const {
    std::vector<Hunk> hunks;
    const int n = int(a_.size()), m = int(b_.size());
    int i = 0, j = 0;
    while (i < n || j < m) {
      if (i < n && j < m && !changedA_[i] && !changedB_[j]) {
        ++i, ++j;
        continue;
      }
      Hunk h{i, 0, j, 0};
      while (i < n && changedA_[i]) ++i;
      while (j < m && changedB_[j]) ++j;
      h.leftCount = i - h.leftBegin;
      h.rightCount = j - h.rightBegin;
      if (h.leftCount == 0 && h.rightCount == 0) {
        // Unchanged lines left on one side only: cannot be, but never loop.
        h.leftCount = n - i, h.rightCount = m - j;
        i = n, j = m;
      }
      hunks.push_back(h);
    }
    return hunks;
  }

  const std::vector<int>& a_;
  const std::vector<int>& b_;
  const std::atomic<bool>* cancel_;
  std::vector<char> changedA_, changedB_;
  std::vector<int> head_, count_, next_;
};

bool IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// The line as compared under `options`, in UTF-8.
std::string Key(std::string_view line, TextEncoding encoding, const IgnoreOptions& options) {
  if (options.lineEnds) line = WithoutLineEnd(line);
  std::string text = ToUtf8(line, encoding);
  if (options.whitespace) {
    // The line end is no blank here: that is the other option's.
    std::string_view body = WithoutLineEnd(text);
    std::string kept;
    kept.reserve(text.size());
    for (char c : body)
      if (!IsBlank(static_cast<unsigned char>(c))) kept += c;
    kept.append(text, body.size(), std::string::npos);
    text = std::move(kept);
  }
  if (options.letterCase) {
    std::string folded;
    folded.reserve(text.size());
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    int32_t i = 0, length = int32_t(text.size());
    while (i < length) {
      UChar32 c;
      U8_NEXT(s, i, length, c);
      if (c < 0) {
        folded += '?';
        continue;
      }
      c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
      uint8_t buffer[4];
      int32_t k = 0;
      U8_APPEND_UNSAFE(buffer, k, c);
      folded.append(reinterpret_cast<const char*>(buffer), k);
    }
    text = std::move(folded);
  }
  return text;
}

template <class Lines, class KeyOf>
void Number(const Lines& left, const Lines& right, KeyOf keyOf, std::vector<int>& a,
            std::vector<int>& b) {
  std::unordered_map<std::string_view, int> ids;
  ids.reserve(left.size() + right.size());
  a.reserve(left.size());
  b.reserve(right.size());
  for (const auto& line : left)
    a.push_back(ids.try_emplace(keyOf(line), int(ids.size())).first->second);
  for (const auto& line : right)
    b.push_back(ids.try_emplace(keyOf(line), int(ids.size())).first->second);
}

// Words (letters, digits, underscore and every byte of a multi-byte
// character), runs of blanks, and single other marks.
std::vector<std::pair<int, int>> Tokens(std::string_view s) {
  std::vector<std::pair<int, int>> tokens;
  auto word = [](unsigned char c) { return c >= 0x80 || c == '_' || std::isalnum(c); };
  for (int i = 0, n = int(s.size()); i < n;) {
    const unsigned char c = s[i];
    int j = i + 1;
    if (word(c))
      while (j < n && word(s[j])) ++j;
    else if (IsBlank(c))
      while (j < n && IsBlank(s[j])) ++j;
    tokens.emplace_back(i, j);
    i = j;
  }
  return tokens;
}

}  // namespace

std::vector<Hunk> DiffSequences(const std::vector<int>& a, const std::vector<int>& b,
                                const std::atomic<bool>* cancel) {
  return Histogram(a, b, cancel).Run();
}

std::vector<Hunk> DiffLines(const std::vector<std::string>& left, TextEncoding leftEncoding,
                            const std::vector<std::string>& right, TextEncoding rightEncoding,
                            const IgnoreOptions& options, const std::atomic<bool>* cancel) {
  std::vector<int> a, b;
  if (!options.whitespace && !options.letterCase) {
    // Bytes as they are (or less their line end): no copy of any line.
    Number(
        left, right,
        [&](const std::string& line) {
          return options.lineEnds ? WithoutLineEnd(line) : std::string_view(line);
        },
        a, b);
  } else {
    std::vector<std::string> leftKeys, rightKeys;
    leftKeys.reserve(left.size());
    rightKeys.reserve(right.size());
    for (const auto& line : left) leftKeys.push_back(Key(line, leftEncoding, options));
    for (const auto& line : right) rightKeys.push_back(Key(line, rightEncoding, options));
    Number(
        leftKeys, rightKeys, [](const std::string& k) { return std::string_view(k); }, a, b);
  }
  return DiffSequences(a, b, cancel);
}

WordMarks MarkWords(std::string_view left, std::string_view right, const IgnoreOptions& options) {
  WordMarks marks;
  if (left.size() > kLongLine || right.size() > kLongLine) return marks;
  auto lt = Tokens(left), rt = Tokens(right);
  IgnoreOptions tokenOptions = options;
  tokenOptions.lineEnds = false;
  std::unordered_map<std::string, int> ids;
  auto number = [&](std::string_view s, const std::vector<std::pair<int, int>>& tokens) {
    std::vector<int> out;
    out.reserve(tokens.size());
    for (auto [b, e] : tokens) {
      std::string key = Key(s.substr(b, e - b), TextEncoding::kUtf8, tokenOptions);
      out.push_back(ids.try_emplace(std::move(key), int(ids.size())).first->second);
    }
    return out;
  };
  std::vector<int> a = number(left, lt), b = number(right, rt);
  const int blank = options.whitespace ? ids.try_emplace("", -1).first->second : -2;
  for (const Hunk& h : DiffSequences(a, b)) {
    auto mark = [&](const std::vector<std::pair<int, int>>& tokens, const std::vector<int>& ids,
                    int begin, int count, std::vector<std::pair<int, int>>& out) {
      for (int k = begin; k < begin + count; ++k) {
        if (ids[k] == blank) continue;  // blanks are what the user chose to overlook
        if (!out.empty() && out.back().second == tokens[k].first)
          out.back().second = tokens[k].second;
        else
          out.push_back(tokens[k]);
      }
    };
    mark(lt, a, h.leftBegin, h.leftCount, marks.left);
    mark(rt, b, h.rightBegin, h.rightCount, marks.right);
  }
  return marks;
}

int ChangedLines(const std::vector<Hunk>& hunks) {
  int n = 0;
  for (const Hunk& h : hunks) n += h.leftCount + h.rightCount;
  return n;
}

}  // namespace zweiblick
