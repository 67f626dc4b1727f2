// The generic list-control layer: models for rows, selection and column
// settings that a list view reads, and the view's row order built from them.
//
// Listeners connect through boost::signals2 and keep the connection in a
// boost::signals2::scoped_connection member. Signals2 has no counterpart of
// the old trackable base, and needs none here: a listener that dies disconnects
// itself through its scoped_connection, a model that dies disconnects every
// slot in its signals' destructors, and a scoped_connection that outlives its
// signal disconnects harmlessly. Models and listeners live on the one UI
// thread, so no emission can race a disconnection.
//
// Every emission goes through DeliverNotification: an exception a listener
// throws is kept in the pending slot (support/notification.h) and never
// reaches the code that changed the model. The model's own state is complete
// before any signal is emitted.
#pragma once

#include "support/notification.h"

#include <windows.h>

#include <boost/signals2/signal.hpp>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Compares two texts the way the user's locale sorts them, ignoring case first
// and, when they are equal that way, with case. Negative, 0 or positive.
int CompareListText(const std::string& a, const std::string& b);

// Rows, columns and the texts shown in them. Queries in the order the view
// asks for them.
class ListCtrlModel {
public:
    ListCtrlModel() = default;
    ListCtrlModel(const ListCtrlModel&) = delete;
    ListCtrlModel& operator=(const ListCtrlModel&) = delete;
    virtual ~ListCtrlModel() = default;

    virtual int RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual std::string HeaderText(int column) const = 0;
    virtual std::string CellText(int row, int column) const = 0;
    // A weight per cell; 400 is the normal font weight.
    virtual int CellInteger(int row, int column) const = 0;
    virtual COLORREF TextColour(int row, int column) const = 0;
    virtual COLORREF BackgroundColour(int row, int column) const = 0;
    // Per-row extras the view may use (an image, an indent).
    virtual int RowImage(int row) const = 0;
    virtual int RowIndent(int row) const = 0;
    // Whether a cell may be edited in place.
    virtual bool IsEditable(int row, int column) const = 0;
    // The text an in-place editor starts with.
    virtual std::string EditText(int row, int column) const = 0;
    // A tip the view may show for a column's header.
    virtual std::string HeaderTip(int column) const = 0;
    // Shown in place of the rows when there are none.
    virtual std::string EmptyText() const = 0;
    // Whether rowA comes before rowB when sorting ascending by column.
    virtual bool Less(int column, int rowA, int rowB) const = 0;
    // Whether the cell's text contains `text` (the view's type-ahead search).
    virtual bool Contains(int row, int column, const std::string& text) const = 0;

    // Rows or texts changed: the view reads everything again.
    boost::signals2::signal<void()> modelChanged;

protected:
    void NotifyModelChanged();
};

// The layer's answers for everything a concrete model does not decide.
class DefaultListCtrlModel : public ListCtrlModel {
public:
    int CellInteger(int row, int column) const override;
    COLORREF TextColour(int row, int column) const override;
    COLORREF BackgroundColour(int row, int column) const override;
    int RowImage(int row) const override;
    int RowIndent(int row) const override;
    bool IsEditable(int row, int column) const override;
    std::string EditText(int row, int column) const override;
    std::string HeaderTip(int column) const override;
    std::string EmptyText() const override;
    bool Less(int column, int rowA, int rowB) const override;
    bool Contains(int row, int column, const std::string& text) const override;
};

// From a row to the item it shows.
template <class T>
class ListCtrlMap {
public:
    virtual ~ListCtrlMap() = default;
    virtual T ItemAt(int row) const = 0;
};

// Which rows are selected and which one has the focus.
class ListCtrlSelectionModel {
public:
    ListCtrlSelectionModel() = default;
    ListCtrlSelectionModel(const ListCtrlSelectionModel&) = delete;
    ListCtrlSelectionModel& operator=(const ListCtrlSelectionModel&) = delete;
    virtual ~ListCtrlSelectionModel() = default;

    virtual bool IsSelected(int row) const = 0;
    virtual void SetSelection(const std::set<int>& rows, bool select) = 0;
    virtual void SetSelected(int row, bool select) = 0;
    virtual void SelectAll(bool select) = 0;
    // Both absent, or the row is the focused one.
    virtual bool IsFocused(std::optional<int> row) const = 0;
    virtual void SetFocused(std::optional<int> row) = 0;
    virtual int SelectedCount() const = 0;

    // The rows whose selection changed; an empty set means every row.
    boost::signals2::signal<void(const std::set<int>& rows)> selectionChanged;
    // The newly focused row, or none.
    boost::signals2::signal<void(std::optional<int> row)> focusChanged;

protected:
    void NotifySelectionChanged(const std::set<int>& rows);
    void NotifyFocusChanged(std::optional<int> row);
};

// Keeps the selection and the focus by item, not by row, so that they survive
// sorting and changes of the row set.
template <class T, class Less = std::less<T>>
class DefaultListCtrlSelectionModel : public ListCtrlSelectionModel {
public:
    DefaultListCtrlSelectionModel(const ListCtrlMap<T>& map, const ListCtrlModel& rows) : map_(map), rows_(rows) {}

    bool IsSelected(int row) const override { return selected_.count(map_.ItemAt(row)) != 0; }

    void SetSelection(const std::set<int>& rows, bool select) override
    {
        for (int row : rows) {
            if (select)
                selected_.insert(map_.ItemAt(row));
            else
                selected_.erase(map_.ItemAt(row));
        }
        NotifySelectionChanged(rows);
    }

    void SetSelected(int row, bool select) override
    {
        if (IsSelected(row) == select)
            return;
        SetSelection(std::set<int>{row}, select);
    }

    void SelectAll(bool select) override
    {
        if (select) {
            const int count = rows_.RowCount();
            for (int row = 0; row < count; ++row)
                selected_.insert(map_.ItemAt(row));
        } else {
            if (selected_.empty())
                return;
            selected_.clear();
        }
        NotifySelectionChanged(std::set<int>());
    }

    bool IsFocused(std::optional<int> row) const override
    {
        if (!row || !focused_)
            return !row && !focused_;
        return Same(map_.ItemAt(*row), *focused_);
    }

    void SetFocused(std::optional<int> row) override
    {
        if (IsFocused(row))
            return;
        focused_ = row ? std::optional<T>(map_.ItemAt(*row)) : std::nullopt;
        NotifyFocusChanged(row);
    }

    int SelectedCount() const override { return static_cast<int>(selected_.size()); }

    const std::set<T, Less>& SelectedItems() const { return selected_; }
    const std::optional<T>& FocusedItem() const { return focused_; }

protected:
    // Drops items that no longer have a row from the selection and the focus,
    // without telling anyone; answers what changed so the caller can emit
    // once its own state is complete.
    struct Forgotten {
        bool selection = false;
        bool focus = false;
    };
    template <class Present>
    Forgotten ForgetItemsNotIn(const Present& isPresent)
    {
        Forgotten forgotten;
        for (auto it = selected_.begin(); it != selected_.end();) {
            if (isPresent(*it)) {
                ++it;
            } else {
                it = selected_.erase(it);
                forgotten.selection = true;
            }
        }
        if (focused_ && !isPresent(*focused_)) {
            focused_.reset();
            forgotten.focus = true;
        }
        return forgotten;
    }

private:
    static bool Same(const T& a, const T& b) { return !Less()(a, b) && !Less()(b, a); }

    const ListCtrlMap<T>& map_;
    const ListCtrlModel& rows_;
    std::set<T, Less> selected_;
    std::optional<T> focused_;
};

// Widths, order, visibility and sort state of the columns.
class ListCtrlColumnSettingsModel {
public:
    ListCtrlColumnSettingsModel() = default;
    ListCtrlColumnSettingsModel(const ListCtrlColumnSettingsModel&) = delete;
    ListCtrlColumnSettingsModel& operator=(const ListCtrlColumnSettingsModel&) = delete;
    virtual ~ListCtrlColumnSettingsModel() = default;

    virtual bool IsVisible(int column) const = 0;
    virtual void SetVisible(int column, bool visible) = 0;
    virtual int Width(int column) const = 0;
    virtual void SetWidth(int column, int width) = 0;
    // Whether column a is displayed before column b.
    virtual bool IsBefore(int a, int b) const = 0;
    virtual void SetDisplayOrder(const std::vector<int>& columns) = 0;
    virtual std::optional<int> PrimarySortColumn() const = 0;
    virtual std::optional<int> SecondarySortColumn() const = 0;
    virtual bool PrimaryAscending() const = 0;
    virtual bool SecondaryAscending() const = 0;
    // A click on the column's header.
    virtual void SortBy(int column) = 0;

    boost::signals2::signal<void()> settingsChanged;

protected:
    void NotifySettingsChanged();
};

// Settings kept in memory, starting from the defaults below. The sort state is
// made from the defaults on first use, since a constructor cannot ask a
// subclass's overrides. A setter that changes nothing emits nothing.
class DefaultListCtrlColumnSettingsModel : public ListCtrlColumnSettingsModel {
public:
    bool IsVisible(int column) const override;
    void SetVisible(int column, bool visible) override;
    int Width(int column) const override;
    void SetWidth(int column, int width) override;
    bool IsBefore(int a, int b) const override;
    void SetDisplayOrder(const std::vector<int>& columns) override;
    std::optional<int> PrimarySortColumn() const override;
    std::optional<int> SecondarySortColumn() const override;
    bool PrimaryAscending() const override;
    bool SecondaryAscending() const override;
    void SortBy(int column) override;

    virtual int DefaultColumnWidth() const;
    virtual std::optional<int> DefaultPrimarySortColumn() const;
    virtual std::optional<int> DefaultSecondarySortColumn() const;
    virtual bool DefaultPrimaryAscending() const;
    virtual bool DefaultSecondaryAscending() const;

private:
    struct SortState {
        std::optional<int> primary;
        bool primaryAscending = false;
        std::optional<int> secondary;
        bool secondaryAscending = false;
    };
    SortState& Sort() const;
    int DisplayPosition(int column) const;

    std::set<int> hidden_;
    std::map<int, int> widths_;
    std::vector<int> displayOrder_;
    mutable std::optional<SortState> sort_;
};

// The order a list view shows the model's rows in, as model row indexes.
// `previous` is the order shown before, by item: rows that still exist keep
// it, new rows follow in model order. Then a stable sort by the secondary
// column (only when a primary is set too) and by the primary, each in its own
// direction; descending sorts the reversed sequence, so equal rows keep their
// order either way.
template <class T, class Less = std::less<T>>
std::vector<int> ListViewRowOrder(const std::vector<T>& previous, const ListCtrlMap<T>& map,
                                  const ListCtrlModel& model, const ListCtrlColumnSettingsModel& settings)
{
    const int count = model.RowCount();
    std::map<T, int, Less> rowOf;
    for (int row = 0; row < count; ++row)
        rowOf.emplace(map.ItemAt(row), row);

    std::vector<int> order;
    order.reserve(count);
    std::vector<bool> placed(count, false);
    for (const T& item : previous) {
        auto found = rowOf.find(item);
        if (found != rowOf.end() && !placed[found->second]) {
            placed[found->second] = true;
            order.push_back(found->second);
        }
    }
    for (int row = 0; row < count; ++row) {
        if (!placed[row])
            order.push_back(row);
    }

    auto sortBy = [&](int column, bool ascending) {
        auto less = [&](int a, int b) { return model.Less(column, a, b); };
        if (ascending)
            std::stable_sort(order.begin(), order.end(), less);
        else
            std::stable_sort(order.rbegin(), order.rend(), less);
    };
    const std::optional<int> primary = settings.PrimarySortColumn();
    const std::optional<int> secondary = settings.SecondarySortColumn();
    if (primary && secondary)
        sortBy(*secondary, settings.SecondaryAscending());
    if (primary)
        sortBy(*primary, settings.PrimaryAscending());
    return order;
}
