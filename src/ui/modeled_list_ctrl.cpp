#include "ui/modeled_list_ctrl.h"

#include "ui/window_dpi.h"

#include <algorithm>
#include <cstring>

namespace {

// Restores a flag on every path out of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = previous_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool previous_;
};

void SetViewState(HWND list, int displayRow, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(displayRow), reinterpret_cast<LPARAM>(&item));
}

} // namespace

void CModeledListCtrl::ShowModels(HWND control, ListCtrlModel& model, ListCtrlSelectionModel& selection,
                                  ListCtrlColumnSettingsModel& settings, RowOrder order)
{
    model_ = &model;
    selection_ = &selection;
    settings_ = &settings;
    rowOrder_ = std::move(order);
    Attach(control);

    SendMessageA(control, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < model.ColumnCount(); ++column) {
        std::string header = model.HeaderText(column);
        LVCOLUMNA info = {};
        info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        info.pszText = &header[0];
        info.cx = ShownWidth(column);
        info.iSubItem = column;
        SendMessageA(control, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info));
    }

    modelConnection_ = model.modelChanged.connect([this] { Rebuild(); });
    settingsConnection_ = settings.settingsChanged.connect([this] { Rebuild(); });
    selectionConnection_ = selection.selectionChanged.connect([this](const std::set<int>& rows) {
        if (!showingModel_)
            ShowSelection(rows);
    });
    focusConnection_ = selection.focusChanged.connect([this](std::optional<int> row) {
        if (!showingModel_)
            ShowFocus(row);
    });
    Rebuild();
}

int CModeledListCtrl::ModelRow(int displayRow) const
{
    if (displayRow < 0 || displayRow >= static_cast<int>(order_.size()))
        return -1;
    return order_[displayRow];
}

int CModeledListCtrl::DisplayRow(int modelRow) const
{
    auto found = std::find(order_.begin(), order_.end(), modelRow);
    return found == order_.end() ? -1 : static_cast<int>(found - order_.begin());
}

void CModeledListCtrl::Rebuild()
{
    HWND list = GetSafeHwnd();
    if (!list || !model_)
        return;
    order_ = rowOrder_();
    {
        FlagScope showing(showingModel_);
        SendMessageA(list, LVM_SETITEMCOUNT, order_.size(), LVSICF_NOSCROLL);
        // The control keeps selection by position; the model keeps it by item.
        SetViewState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int display = 0; display < static_cast<int>(order_.size()); ++display) {
            UINT state = 0;
            if (selection_->IsSelected(order_[display]))
                state |= LVIS_SELECTED;
            if (selection_->IsFocused(order_[display]))
                state |= LVIS_FOCUSED;
            if (state)
                SetViewState(list, display, state, state);
        }
    }
    ShowColumnWidths();
    ShowSortArrows();
    InvalidateRect(list, nullptr, TRUE);
}

void CModeledListCtrl::SetDpi(int dpi)
{
    dpi_ = dpi > 0 ? dpi : kDefaultDpi;
    if (GetSafeHwnd() && model_)
        ShowColumnWidths();
}

int CModeledListCtrl::ShownWidth(int column) const
{
    return settings_->IsVisible(column) ? ScaleToDpi(settings_->Width(column), dpi_) : 0;
}

void CModeledListCtrl::ShowColumnWidths()
{
    HWND list = GetSafeHwnd();
    for (int column = 0; column < model_->ColumnCount(); ++column) {
        // A width the operator dragged may not be a whole number of 96 DPI
        // pixels: leave it as long as the model says the same.
        int shown = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
        int width = ShownWidth(column);
        if (shown != width && (width == 0 || MulDiv(shown, kDefaultDpi, dpi_) != settings_->Width(column)))
            SendMessageA(list, LVM_SETCOLUMNWIDTH, column, width);
    }
}

void CModeledListCtrl::ShowSortArrows()
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(GetSafeHwnd(), LVM_GETHEADER, 0, 0));
    if (!header)
        return;
    const std::optional<int> primary = settings_->PrimarySortColumn();
    for (int column = 0; column < model_->ColumnCount(); ++column) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        if (!SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (primary && *primary == column)
            item.fmt |= settings_->PrimaryAscending() ? HDF_SORTUP : HDF_SORTDOWN;
        SendMessageA(header, HDM_SETITEMA, column, reinterpret_cast<LPARAM>(&item));
    }
}

void CModeledListCtrl::ShowSelection(const std::set<int>& modelRows)
{
    HWND list = GetSafeHwnd();
    if (!list)
        return;
    FlagScope showing(showingModel_);
    auto show = [&](int modelRow) {
        int display = DisplayRow(modelRow);
        if (display >= 0)
            SetViewState(list, display, selection_->IsSelected(modelRow) ? LVIS_SELECTED : 0, LVIS_SELECTED);
    };
    if (modelRows.empty()) {
        for (int modelRow : std::vector<int>(order_))
            show(modelRow);
    } else {
        for (int modelRow : modelRows)
            show(modelRow);
    }
}

void CModeledListCtrl::ShowFocus(std::optional<int> modelRow)
{
    HWND list = GetSafeHwnd();
    if (!list)
        return;
    FlagScope showing(showingModel_);
    int display = modelRow ? DisplayRow(*modelRow) : -1;
    if (display >= 0)
        SetViewState(list, display, LVIS_FOCUSED, LVIS_FOCUSED);
    else
        SetViewState(list, -1, 0, LVIS_FOCUSED);
}

bool CModeledListCtrl::OnParentNotify(const NMHDR& header, LRESULT& result)
{
    if (!model_ || header.hwndFrom != GetSafeHwnd())
        return false;
    result = 0;
    switch (header.code) {
    case LVN_GETDISPINFOA: {
        NMLVDISPINFOA& info = const_cast<NMLVDISPINFOA&>(reinterpret_cast<const NMLVDISPINFOA&>(header));
        FillDisplayInfo(info.item.iItem, info.item.iSubItem, info.item.mask, info.item.pszText, info.item.cchTextMax);
        return true;
    }
    case LVN_GETDISPINFOW: {
        NMLVDISPINFOW& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        FillDisplayInfo(info.item.iItem, info.item.iSubItem, info.item.mask, info.item.pszText, info.item.cchTextMax);
        return true;
    }
    case LVN_COLUMNCLICK:
        settings_->SortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return true;
    case LVN_ITEMCHANGED:
        if (!showingModel_)
            OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
        return true;
    case LVN_ODSTATECHANGED:
        if (!showingModel_)
            OnRangeChanged(reinterpret_cast<const NMLVODSTATECHANGE&>(header));
        return true;
    default:
        return false;
    }
}

void CModeledListCtrl::FillDisplayInfo(int displayRow, int column, UINT mask, char* text, int capacity)
{
    int row = ModelRow(displayRow);
    if (!(mask & LVIF_TEXT) || !text || capacity <= 0)
        return;
    std::string cell = row >= 0 ? model_->CellText(row, column) : std::string();
    size_t length = std::min(cell.size(), static_cast<size_t>(capacity - 1));
    std::memcpy(text, cell.data(), length);
    text[length] = '\0';
}

void CModeledListCtrl::FillDisplayInfo(int displayRow, int column, UINT mask, wchar_t* text, int capacity)
{
    int row = ModelRow(displayRow);
    if (!(mask & LVIF_TEXT) || !text || capacity <= 0)
        return;
    std::string cell = row >= 0 ? model_->CellText(row, column) : std::string();
    int written = cell.empty() ? 0
                               : MultiByteToWideChar(CP_ACP, 0, cell.data(), static_cast<int>(cell.size()), text,
                                                     capacity - 1);
    text[written > 0 ? written : 0] = L'\0';
}

void CModeledListCtrl::OnItemChanged(const NMLISTVIEW& change)
{
    if (!(change.uChanged & LVIF_STATE))
        return;
    const UINT changed = change.uOldState ^ change.uNewState;
    if (changed & LVIS_SELECTED) {
        const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
        if (change.iItem == -1)
            selection_->SelectAll(selected);
        else if (int row = ModelRow(change.iItem); row >= 0)
            selection_->SetSelected(row, selected);
    }
    if (changed & LVIS_FOCUSED) {
        int row = ModelRow(change.iItem);
        if (change.uNewState & LVIS_FOCUSED) {
            if (row >= 0)
                selection_->SetFocused(row);
        } else if (change.iItem == -1 || (row >= 0 && selection_->IsFocused(row))) {
            selection_->SetFocused(std::nullopt);
        }
    }
}

void CModeledListCtrl::OnRangeChanged(const NMLVODSTATECHANGE& change)
{
    if (!((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
        return;
    std::set<int> rows;
    for (int display = change.iFrom; display <= change.iTo; ++display) {
        int row = ModelRow(display);
        if (row >= 0)
            rows.insert(row);
    }
    if (!rows.empty())
        selection_->SetSelection(rows, (change.uNewState & LVIS_SELECTED) != 0);
}

LRESULT CModeledListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        LRESULT result = Default(message, wParam, lParam);
        if (model_ && model_->RowCount() == 0)
            DrawEmptyText();
        return result;
    }
    case WM_NOTIFY: {
        // The header tells its list when the operator drags a column's edge.
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = Default(message, wParam, lParam);
        if (settings_ && header &&
            header->hwndFrom == reinterpret_cast<HWND>(SendMessageA(GetSafeHwnd(), LVM_GETHEADER, 0, 0)) &&
            (header->code == HDN_ENDTRACKA || header->code == HDN_ENDTRACKW)) {
            const NMHEADERA* track = reinterpret_cast<const NMHEADERA*>(lParam);
            if (track->pitem && (track->pitem->mask & HDI_WIDTH))
                settings_->SetWidth(track->iItem, MulDiv(track->pitem->cxy, kDefaultDpi, dpi_));
        }
        return result;
    }
    default:
        return Default(message, wParam, lParam);
    }
}

void CModeledListCtrl::DrawEmptyText()
{
    HWND list = GetSafeHwnd();
    RECT area = {};
    GetClientRect(list, &area);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT headerRect = {};
    if (header && IsWindowVisible(header) && GetWindowRect(header, &headerRect))
        area.top += headerRect.bottom - headerRect.top;
    area.top += ScaleToDpi(8, dpi_);
    HDC dc = GetDC(list);
    if (!dc)
        return;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    std::string text = model_->EmptyText();
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_TOP | DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
}
