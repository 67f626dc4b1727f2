#include "ui/list_ctrl_model.h"

namespace {

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring(text.begin(), text.end());
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

// LINGUISTIC_IGNORECASE exists from Windows 6.0 on; earlier systems only know
// NORM_IGNORECASE. Decided once for the process.
DWORD IgnoreCaseFlag()
{
    static const DWORD flag = LOBYTE(LOWORD(GetVersion())) >= 6 ? LINGUISTIC_IGNORECASE : NORM_IGNORECASE;
    return flag;
}

// -1, 0 or 1; a comparison the system refuses falls back to the code units, so
// sorting never fails.
int Compare(const std::wstring& a, const std::wstring& b, DWORD flags)
{
    const int result = CompareStringW(LOCALE_USER_DEFAULT, flags, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                      static_cast<int>(b.size()));
    if (result == 0)
        return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return result - CSTR_EQUAL;
}

} // namespace

int CompareListText(const std::string& a, const std::string& b)
{
    const std::wstring wideA = Wide(a);
    const std::wstring wideB = Wide(b);
    const int ignoringCase = Compare(wideA, wideB, IgnoreCaseFlag());
    if (ignoringCase != 0)
        return ignoringCase;
    return Compare(wideA, wideB, 0);
}

void ListCtrlModel::NotifyModelChanged()
{
    DeliverNotification([this] { modelChanged(); });
}

int DefaultListCtrlModel::CellInteger(int, int) const
{
    return FW_NORMAL;
}

COLORREF DefaultListCtrlModel::TextColour(int, int) const
{
    return GetSysColor(COLOR_WINDOWTEXT);
}

COLORREF DefaultListCtrlModel::BackgroundColour(int, int) const
{
    return GetSysColor(COLOR_WINDOW);
}

int DefaultListCtrlModel::RowImage(int) const
{
    return 0;
}

int DefaultListCtrlModel::RowIndent(int) const
{
    return 0;
}

bool DefaultListCtrlModel::IsEditable(int, int) const
{
    return false;
}

std::string DefaultListCtrlModel::EditText(int row, int column) const
{
    return CellText(row, column);
}

std::string DefaultListCtrlModel::HeaderTip(int) const
{
    return std::string();
}

std::string DefaultListCtrlModel::EmptyText() const
{
    return std::string();
}

bool DefaultListCtrlModel::Less(int column, int rowA, int rowB) const
{
    return CompareListText(CellText(rowA, column), CellText(rowB, column)) < 0;
}

bool DefaultListCtrlModel::Contains(int row, int column, const std::string& text) const
{
    return CellText(row, column).find(text) != std::string::npos;
}

void ListCtrlSelectionModel::NotifySelectionChanged(const std::set<int>& rows)
{
    DeliverNotification([&] { selectionChanged(rows); });
}

void ListCtrlSelectionModel::NotifyFocusChanged(std::optional<int> row)
{
    DeliverNotification([&] { focusChanged(row); });
}

void ListCtrlColumnSettingsModel::NotifySettingsChanged()
{
    DeliverNotification([this] { settingsChanged(); });
}

bool DefaultListCtrlColumnSettingsModel::IsVisible(int column) const
{
    return hidden_.count(column) == 0;
}

void DefaultListCtrlColumnSettingsModel::SetVisible(int column, bool visible)
{
    if (IsVisible(column) == visible)
        return;
    if (visible) {
        hidden_.erase(column);
    } else {
        hidden_.insert(column);
        SortState& sort = Sort();
        if (sort.secondary == column) {
            sort.secondary.reset();
        } else if (sort.primary == column) {
            sort.primary = sort.secondary;
            sort.primaryAscending = sort.secondaryAscending;
            sort.secondary.reset();
        } else {
            sort.primary.reset();
        }
    }
    NotifySettingsChanged();
}

int DefaultListCtrlColumnSettingsModel::Width(int column) const
{
    auto found = widths_.find(column);
    return found != widths_.end() ? found->second : DefaultColumnWidth();
}

void DefaultListCtrlColumnSettingsModel::SetWidth(int column, int width)
{
    if (Width(column) == width)
        return;
    widths_[column] = width;
    NotifySettingsChanged();
}

// Columns missing from the display order follow it, by index.
int DefaultListCtrlColumnSettingsModel::DisplayPosition(int column) const
{
    auto found = std::find(displayOrder_.begin(), displayOrder_.end(), column);
    if (found != displayOrder_.end())
        return static_cast<int>(found - displayOrder_.begin());
    return static_cast<int>(displayOrder_.size()) + column;
}

bool DefaultListCtrlColumnSettingsModel::IsBefore(int a, int b) const
{
    return DisplayPosition(a) < DisplayPosition(b);
}

void DefaultListCtrlColumnSettingsModel::SetDisplayOrder(const std::vector<int>& columns)
{
    if (columns == displayOrder_)
        return;
    displayOrder_ = columns;
    NotifySettingsChanged();
}

std::optional<int> DefaultListCtrlColumnSettingsModel::PrimarySortColumn() const
{
    return Sort().primary;
}

std::optional<int> DefaultListCtrlColumnSettingsModel::SecondarySortColumn() const
{
    return Sort().secondary;
}

bool DefaultListCtrlColumnSettingsModel::PrimaryAscending() const
{
    return Sort().primaryAscending;
}

bool DefaultListCtrlColumnSettingsModel::SecondaryAscending() const
{
    return Sort().secondaryAscending;
}

void DefaultListCtrlColumnSettingsModel::SortBy(int column)
{
    SortState& sort = Sort();
    if (sort.primary == column) {
        sort.primaryAscending = !sort.primaryAscending;
    } else if (sort.primary) {
        sort.secondary = sort.primary;
        sort.secondaryAscending = sort.primaryAscending;
        sort.primary = column;
        sort.primaryAscending = true;
    } else {
        sort.primary = column;
    }
    NotifySettingsChanged();
}

int DefaultListCtrlColumnSettingsModel::DefaultColumnWidth() const
{
    return 100;
}

std::optional<int> DefaultListCtrlColumnSettingsModel::DefaultPrimarySortColumn() const
{
    return std::nullopt;
}

std::optional<int> DefaultListCtrlColumnSettingsModel::DefaultSecondarySortColumn() const
{
    return std::nullopt;
}

bool DefaultListCtrlColumnSettingsModel::DefaultPrimaryAscending() const
{
    return false;
}

bool DefaultListCtrlColumnSettingsModel::DefaultSecondaryAscending() const
{
    return false;
}

DefaultListCtrlColumnSettingsModel::SortState& DefaultListCtrlColumnSettingsModel::Sort() const
{
    if (!sort_) {
        SortState fresh;
        fresh.primary = DefaultPrimarySortColumn();
        fresh.primaryAscending = DefaultPrimaryAscending();
        fresh.secondary = DefaultSecondarySortColumn();
        fresh.secondaryAscending = DefaultSecondaryAscending();
        sort_ = fresh;
    }
    return *sort_;
}
