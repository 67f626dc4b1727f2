// An owner-data report list view that shows a ListCtrlModel: the rows come
// from the model through the view's display order, a header click sorts, the
// model's empty text is drawn when there are no rows, and the selection and the
// focus live in the selection model, kept in step in both directions. Column
// widths in the model are at 96 DPI; the view shows them at its own DPI.
#pragma once

#include "ui/list_ctrl_model.h"
#include "ui/subclassed_control.h"

#include <boost/signals2/connection.hpp>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

class CModeledListCtrl : public CSubclassedControl {
public:
    // Shows the models in the list view `control`; they must outlive it.
    template <class T, class Less = std::less<T>>
    void Show(HWND control, ListCtrlModel& model, const ListCtrlMap<T>& map, ListCtrlSelectionModel& selection,
              ListCtrlColumnSettingsModel& settings)
    {
        // The view's previous order, by item, so that rows keep their places.
        auto previous = std::make_shared<std::vector<T>>();
        RowOrder order = [previous, &map, &model, &settings]() {
            std::vector<int> rows = ListViewRowOrder<T, Less>(*previous, map, model, settings);
            previous->clear();
            for (int row : rows)
                previous->push_back(map.ItemAt(row));
            return rows;
        };
        ShowModels(control, model, selection, settings, std::move(order));
    }

    // The DPI the columns are shown at; before Show, or when the window's DPI changes.
    void SetDpi(int dpi);

    // The parent's WM_NOTIFY from this list; true when it answered `result`.
    bool OnParentNotify(const NMHDR& header, LRESULT& result);

    // The model row shown at a display position, or -1.
    int ModelRow(int displayRow) const;
    int DisplayRow(int modelRow) const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    using RowOrder = std::function<std::vector<int>()>;
    void ShowModels(HWND control, ListCtrlModel& model, ListCtrlSelectionModel& selection,
                    ListCtrlColumnSettingsModel& settings, RowOrder order);

    void Rebuild();
    void ShowColumnWidths();
    int ShownWidth(int column) const;
    void ShowSortArrows();
    void ShowSelection(const std::set<int>& modelRows);
    void ShowFocus(std::optional<int> modelRow);
    void DrawEmptyText();
    void FillDisplayInfo(int displayRow, int column, UINT mask, char* text, int capacity);
    void FillDisplayInfo(int displayRow, int column, UINT mask, wchar_t* text, int capacity);
    void OnItemChanged(const NMLISTVIEW& change);
    void OnRangeChanged(const NMLVODSTATECHANGE& change);

    ListCtrlModel* model_ = nullptr;
    ListCtrlSelectionModel* selection_ = nullptr;
    ListCtrlColumnSettingsModel* settings_ = nullptr;
    RowOrder rowOrder_;
    std::vector<int> order_;
    // Set while the view is given the model's state, so that the view's own
    // notifications of that change are not taken back into the model.
    bool showingModel_ = false;
    int dpi_ = 96;
    boost::signals2::scoped_connection modelConnection_;
    boost::signals2::scoped_connection selectionConnection_;
    boost::signals2::scoped_connection focusConnection_;
    boost::signals2::scoped_connection settingsConnection_;
};
