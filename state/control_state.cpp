// Every control operation runs whole under one lock; the rows are kept compact so that a
// list of a million suspects stays cheap to grow, to read and to clear.
#include "state/control_state.h"

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// A text held in the arena (or nowhere: size 0).
struct TextRef {
  const char* data = nullptr;
  uint32_t size = 0;
  std::string_view View() const { return {data, size}; }
};

// Append-only byte store in blocks: growing it never moves a text already stored.
class TextArena {
 public:
  TextRef Store(std::string_view text) {
    if (text.empty()) return {};
    if (blocks_.empty() || used_ + text.size() > blockSize_) {
      size_t size = text.size() > kBlockSize ? text.size() : kBlockSize;
      blocks_.push_back(std::make_unique<char[]>(size));
      blockSize_ = size;
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    text.copy(at, text.size());
    used_ += text.size();
    return {at, static_cast<uint32_t>(text.size())};
  }

 private:
  static constexpr size_t kBlockSize = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t used_ = 0;
  size_t blockSize_ = 0;
};

// Category texts are few; anything beyond this many distinct values is simply stored.
constexpr size_t kMaxCategoryTexts = 16;

struct Row {
  std::array<TextRef, kColumnCount> cells;
  bool hasNativePath = false;
};

bool ValidLabel(LabelId label) { return LabelIndex(label) >= 0 && LabelIndex(label) < kLabelCount; }

}  // namespace

struct ControlState::Impl {
  mutable std::mutex lock;

  std::array<std::string, kLabelCount> captions;

  std::deque<Row> rows;
  std::atomic<int> rowCount{0};  // rows.size(), readable without the lock (asked for every file)
  TextArena arena;
  TextRef lastDirectory;                  // consecutive rows mostly share their directory
  std::vector<TextRef> categoryTexts;     // the few distinct texts of the kind column
  std::unordered_map<uint32_t, NativeString> nativePaths;
  int selection = -1;
  int revealRow = -1;

  std::vector<std::string> driveItems;
  int driveSelection = -1;

  std::vector<DriveBoxItem> driveBox;
  int driveBoxSelection = -1;
  char currentDrive = 0;

  ViewVersions versions;
  std::function<void()> notifier;
  std::atomic<bool> notificationPending{false};

  bool ValidRow(int row) const { return row >= 0 && static_cast<size_t>(row) < rows.size(); }

  bool ValidDriveBoxItem(int index) const { return index >= 0 && static_cast<size_t>(index) < driveBox.size(); }

  bool ValidCell(int row, Column column) const {
    return ValidRow(row) && static_cast<int>(column) >= 0 && static_cast<int>(column) < kColumnCount;
  }

  TextRef Intern(Column column, std::string_view text) {
    if (text.empty()) return {};
    if (column == Column::Directory) {
      if (lastDirectory.View() != text) lastDirectory = arena.Store(text);
      return lastDirectory;
    }
    if (column == Column::Category) {
      for (const TextRef& known : categoryTexts)
        if (known.View() == text) return known;
      TextRef stored = arena.Store(text);
      if (categoryTexts.size() < kMaxCategoryTexts) categoryTexts.push_back(stored);
      return stored;
    }
    return arena.Store(text);
  }

  void SetNativePath(int row, NativeStringView path) {
    Row& r = rows[row];
    if (path.empty()) {
      if (r.hasNativePath) nativePaths.erase(static_cast<uint32_t>(row));
      r.hasNativePath = false;
      return;
    }
    nativePaths[static_cast<uint32_t>(row)] = NativeString(path);
    r.hasNativePath = true;
  }

  int Append(Row row) {
    rows.push_back(row);
    const int index = static_cast<int>(rows.size() - 1);
    rowCount.store(index + 1);
    ++versions.rows;
    return index;
  }

  // Called with the lock held; gives the notifier to call once the lock is released.
  std::function<void()> Changed() {
    // Mostly a notice is still pending: a plain read spares the exchange.
    if (!notifier || notificationPending.load() || notificationPending.exchange(true)) return {};
    return notifier;
  }
};

template <typename Change>
void ControlState::Update(Change change) {
  std::function<void()> notify;
  {
    std::lock_guard<std::mutex> hold(impl_->lock);
    if (!change(*impl_)) return;
    notify = impl_->Changed();
  }
  if (notify) notify();
}

ControlState::ControlState() : impl_(std::make_unique<Impl>()) {}

ControlState::~ControlState() = default;

void ControlState::SetCaption(LabelId label, std::string_view text) {
  Update([&](Impl& s) {
    if (!ValidLabel(label)) return false;
    std::string& caption = s.captions[LabelIndex(label)];
    if (caption == text) return false;  // the timer rewrites unchanged labels ten times a second
    caption.assign(text.data(), text.size());
    ++s.versions.captions;
    return true;
  });
}

std::string ControlState::Caption(LabelId label) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return ValidLabel(label) ? impl_->captions[LabelIndex(label)] : std::string();
}

std::string ControlState::DriveBoxCurrentDrive() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  const Impl& s = *impl_;
  if (s.ValidDriveBoxItem(s.driveBoxSelection)) return std::string(1, s.driveBox[s.driveBoxSelection].letter);
  if (s.currentDrive == 0) return {};
  return std::string(1, s.currentDrive);
}

int ControlState::AddRow(const SuspectRow& row) {
  int index = -1;
  Update([&](Impl& s) {
    Row added;
    for (int c = 0; c < kColumnCount; ++c) added.cells[c] = s.Intern(static_cast<Column>(c), row.cells[c]);
    index = s.Append(added);
    s.SetNativePath(index, row.nativePath);
    return true;
  });
  return index;
}

NativeString ControlState::RowNativePath(int row) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  if (!impl_->ValidRow(row) || !impl_->rows[row].hasNativePath) return {};
  auto found = impl_->nativePaths.find(static_cast<uint32_t>(row));
  return found == impl_->nativePaths.end() ? NativeString() : found->second;
}

int ControlState::RowCount() { return impl_->rowCount.load(); }

void ControlState::MakeRowVisible(int row) {
  Update([&](Impl& s) {
    if (!s.ValidRow(row)) return false;
    s.revealRow = row;
    ++s.versions.reveal;
    return true;
  });
}

std::string ControlState::CellText(int row, Column column) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  if (!impl_->ValidCell(row, column)) return {};
  return std::string(impl_->rows[row].cells[static_cast<int>(column)].View());
}

void ControlState::DeleteAllRows() {
  // The old rows and texts are freed after the lock is released.
  std::deque<Row> oldRows;
  TextArena oldArena;
  Update([&](Impl& s) {
    oldRows.swap(s.rows);
    s.rowCount.store(0);
    oldArena = std::move(s.arena);
    s.arena = TextArena();
    s.lastDirectory = {};
    s.categoryTexts.clear();
    s.nativePaths.clear();
    s.revealRow = -1;
    ++s.versions.rows;
    ++s.versions.clears;
    if (s.selection != -1) {
      s.selection = -1;
      ++s.versions.selection;
    }
    return true;
  });
}

int ControlState::Selection() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->selection;
}

void ControlState::SetSelection(int row) {
  Update([&](Impl& s) {
    if (row < -1) row = -1;
    if (row >= 0 && !s.ValidRow(row)) return false;  // a missing row changes nothing
    if (s.selection == row) return false;
    s.selection = row;
    ++s.versions.selection;
    return true;
  });
}

void ControlState::AppendDriveItem(std::string_view text) {
  Update([&](Impl& s) {
    s.driveItems.emplace_back(text);
    ++s.versions.driveList;
    return true;
  });
}

int ControlState::DriveItemCount() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return static_cast<int>(impl_->driveItems.size());
}

std::string ControlState::DriveItemText(int index) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  if (index < 0 || static_cast<size_t>(index) >= impl_->driveItems.size()) return {};
  return impl_->driveItems[index];
}

int ControlState::DriveSelection() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->driveSelection;
}

void ControlState::SetDriveSelection(int index) {
  Update([&](Impl& s) {
    int last = static_cast<int>(s.driveItems.size()) - 1;
    if (index > last) index = last;
    if (index < -1) index = -1;
    if (s.driveSelection == index) return false;
    s.driveSelection = index;
    ++s.versions.driveList;
    return true;
  });
}

void ControlState::SetDriveBox(std::vector<DriveBoxItem> items, int selected, char currentDrive) {
  Update([&](Impl& s) {
    s.driveBox = std::move(items);
    s.driveBoxSelection = s.ValidDriveBoxItem(selected) ? selected : -1;
    s.currentDrive = currentDrive;
    ++s.versions.driveBox;
    return true;
  });
}

void ControlState::SelectDriveBoxItem(int index) {
  Update([&](Impl& s) {
    if (!s.ValidDriveBoxItem(index)) index = -1;
    if (s.driveBoxSelection == index) return false;
    s.driveBoxSelection = index;
    ++s.versions.driveBox;
    return true;
  });
}

std::vector<DriveBoxItem> ControlState::DriveBoxItems() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->driveBox;
}

int ControlState::DriveBoxSelection() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->driveBoxSelection;
}

ControlState::ViewVersions ControlState::Versions() const {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->versions;
}

ControlState::ViewSnapshot ControlState::Snapshot() const {
  ViewSnapshot snapshot;
  std::lock_guard<std::mutex> hold(impl_->lock);
  snapshot.versions = impl_->versions;
  snapshot.captions = impl_->captions;
  snapshot.rowCount = static_cast<int>(impl_->rows.size());
  return snapshot;
}

int ControlState::PendingRevealRow() {
  std::lock_guard<std::mutex> hold(impl_->lock);
  return impl_->revealRow;
}

void ControlState::SetChangeNotifier(std::function<void()> notify) {
  std::lock_guard<std::mutex> hold(impl_->lock);
  impl_->notifier = std::move(notify);
  impl_->notificationPending.store(false);
}

void ControlState::AcknowledgeChange() { impl_->notificationPending.store(false); }
