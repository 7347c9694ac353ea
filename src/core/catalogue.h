#pragma once

// The catalogue of the JPEG and TIFF photos of one folder: the entries in display order, the current
// entry (the photo in the viewer), the selection marks (the photos to upload) and the four sort orders.
// Owned by the main window and used from the user-interface thread only; the hooks run synchronously on
// the calling thread.
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace core {

// One photo file of the current folder.
struct ListaPlikow {
    QString Nazwa;         // file name without its extension, as on disk
    QString Rozszerzenie;  // the extension with its dot, in the case found on disk
    QImage Miniatura;      // thumbnail cell; null until the browser fills it
    qint32 Rozmiar = 0;    // size in units of 1000 bytes, halves rounded to the even neighbour
    QString Data;          // last-write time, local, "yyyy-MM-dd hh:mm"
    QString Sciezka;       // full path with the platform's separators
    quint8 Zaznaczony = 0; // 1 when marked for upload
};

class Catalogue {
public:
    // Sort keys: the details column number plus one.
    enum SortKey { BySelection = 1, ByName = 2, BySize = 3, ByDate = 4 };

    std::function<void()> onLeavePhoto;        // before another photo becomes current
    std::function<void(int)> onCurrentChanged; // after makeCurrent/next/previous changed the index
    std::function<void()> onMarksChanged;      // after any selection mark changed

    // Rebuilds the entries from the folder, sorted by name ascending (key 2, ascending). A folder that
    // cannot be listed (or an empty path) gives an empty catalogue. The current index is left to the
    // caller, except that it becomes -1 when it no longer points at an entry.
    void scan(const QString& folder);

    int size() const { return static_cast<int>(entries_.size()); }
    bool isEmpty() const { return entries_.empty(); }
    const ListaPlikow& at(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
    ListaPlikow& at(int i) { return entries_.at(static_cast<std::size_t>(i)); }
    const std::vector<ListaPlikow>& entries() const { return entries_; }

    int currentIndex() const { return current_; }
    void setCurrentIndex(int i) { current_ = i; }
    QString folder() const { return folder_; }

    int sortKey() const { return sortKey_; }
    bool sortAscending() const { return ascending_; }

    // Reorders by the key (1..4) in the current direction and keeps the current photo current. The
    // remembered sort key stays as it is; only a header click changes it.
    void sort(int key);
    // Details header click on column 0..3: the same column again flips the direction, another column
    // sorts ascending; the column becomes the sort key.
    void headerSort(int column);

    // 1 marks all, 2 inverts every mark, 3 clears all; any other mode counts as 1.
    void setSelection(int mode);
    void toggleMark(int i);

    // Leaves the current photo and makes entry i current; nothing when i is already current or is not
    // an entry. When leaving reads the folder again, the same photo is looked up by its path (and
    // nothing more happens when it is gone).
    void makeCurrent(int i);
    // One step without wrapping; false when there was nowhere to go.
    bool next();
    bool previous();

    // Index of the entry with this path: the exact match first, then one that differs only in ASCII
    // letter case; 0 when none matches.
    int findByPath(const QString& path) const;
    // The entry of `path` (the exact path first, else one differing in case only); -1 when none.
    int indexOfPath(const QString& path) const;

    int selectedCount() const;
    qint64 selectedSize() const; // sum of Rozmiar of the marked entries

private:
    void sortEntries(int key, bool ascending);
    bool moveTo(int i);

    std::vector<ListaPlikow> entries_;
    QString folder_;
    int current_ = -1;
    int sortKey_ = ByName;
    bool ascending_ = true;
};

} // namespace core
