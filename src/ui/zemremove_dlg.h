// The interactive mode's one window: the list of installed products, "Remove"
// and "Remove All", and the log pane, with the detection and removal runs
// behind them.
#pragma once

#include "orchestration/background_remover.h"
#include "products/catalogue.h"
#include "remove/message_log.h"
#include "support/owned_handle.h"
#include "ui/modeled_list_ctrl.h"
#include "ui/my_edit.h"
#include "ui/remove_list_model.h"
#include "ui/resizable_dialog.h"
#include "ui/window_dpi.h"

#include <boost/signals2/connection.hpp>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class SuiteProducts;

// What the dialog does to the machine beyond its products; tests replace it so
// that they decide whether the suite's real roots go.
struct MainDialogHost {
    std::function<void(Remove::Log& log)> removeSuiteRoots;
};

// Makes the products with the dialog's log; they are owned by whoever made them
// and must outlive the dialog.
using ProductFactory = std::function<ProductCatalogue(Remove::Log* log)>;

class CZEMRemoveDlg : public CResizableDialog {
public:
    // The program's dialog: the ten real products and the real root clean-up.
    explicit CZEMRemoveDlg(HINSTANCE instance);
    CZEMRemoveDlg(HINSTANCE instance, const ProductFactory& makeProducts, MainDialogHost host);
    ~CZEMRemoveDlg() override;

protected:
    BOOL OnInitDialog() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;
    void OnHandlerException(const std::string& description) noexcept override;
    void OnDpiChanged(int oldDpi, const RECT& suggested) override;

private:
    void OnStartDetection();
    void OnDetectionFinished();
    void OnRemovalFinished();
    void OnRemove();
    void OnRemoveAll();
    void StartRemoval(const std::set<ZEMProduct*>& chosen);
    void OnCancel();
    void OnPaintMinimized();
    // The icons and the log pane's font, in the sizes for the window's DPI.
    void ShowIcons();
    void ShowLogFont();

    // The run-active flag with the Close item and the buttons that follow it;
    // a run ends on the finished message its worker posts.
    void BeginRun(UINT finishedMessage);
    void EndRun();
    // The worker has ended: the rest of its lines, then the failures held back.
    void EndWorker();
    // A worker that could not start leaves no run behind, and says so.
    void OnRunNotStarted(const char* what, const std::string& description);
    void UpdateButtons();
    void FlushLog();
    void ShowMessage(const std::string& text, const char* caption, UINT flags);

    // Built in this order, destroyed in reverse: the remover waits for its
    // worker before the products and the log go.
    PendingLogQueue logQueue_;
    Remove::MessageLog messageLog_;
    std::unique_ptr<SuiteProducts> ownProducts_;
    ProductCatalogue products_;
    RemoveListModel listModel_;
    BackgroundRemover remover_;
    bool runActive_ = false;
    // While a worker may write: the message that ends its run, and the
    // handler failures that wait for its end.
    UINT runFinishedMessage_ = 0;
    std::vector<std::string> heldErrors_;

    MainDialogHost host_;
    CMyEdit logPane_;
    CModeledListCtrl productList_;
    UniqueIcon icon_;
    UniqueIcon smallIcon_;
    Windows::UniqueGdiObject logFont_;
    boost::signals2::scoped_connection selectionConnection_;
    boost::signals2::scoped_connection rowsConnection_;
};
