#pragma once
// The toolkit's front door. Process-wide calls in the order a program makes them: Install,
// GetCurrentPath, SetResourcePath, SetFontProperty, the file-type association, CreateUIMainWindow,
// MainLoop (until Quit), DestroyUIMainWindow, UnInstall. Windows and controls are made by the
// Create calls (hidden, without a parent; each is then placed with its `Create`) and released by
// the matching Destroy calls. Everything is called on the UI thread.
#include <cstdint>
#include <string>
#include <vector>

#include "Toolkit/UITypes.h"

class CKXWindow;
class CKXDialog;
class CKXView;
class CKXButton;
class CKXRadioBox;
class CKXStatic;
class CKXComboBox;
class CKXEditCtrl;
class CKXSliderCtrl;
class CKXProgressCtrl;
class CKXNumSpiner;
class CKXPictureCtrl;
class CKXVideoWindow;
class CKXTreeCtrl;
class CKXListCtrl;
class CKXPlayProgressPanel;
class IKXDialogEvent;
class IKXViewEvent;
class IKXButtonEvent;
class IKXRadioBoxEvent;
class IKXStaticEvent;
class IKXComboBoxEvent;
class IKXEditCtrlEvent;
class IKXSliderCtrlEvent;
class IKXNumSpinerEvent;
class IKXPictureCtrlEvent;
class IKXVideoWindowEvent;
class IKXTreeCtrlEvent;
class IKXListCtrlEvent;
class IPlayProgressEvent;

class CKXUIFactory {
public:
    // Starts the toolkit on this thread (which becomes the UI thread): the application object,
    // the UI thread's loop control for ML_MAIN, the desktop opener. Nonzero on success; a
    // second call does nothing. The toolkit takes the options it knows ("-platform offscreen")
    // out of argc and argv, so the program reads its own arguments after this call.
    static int Install(int& argc, char** argv);
    // Releases what Install made, after every window is gone.
    static void UnInstall();

    // The program folder, ending in "/".
    static std::wstring GetCurrentPath();
    // The folder of the skin images.
    static void SetResourcePath(const std::wstring& folder);
    static std::wstring GetResourcePath();
    // The font of every window; a face that is not installed leaves the toolkit's own.
    static void SetFontProperty(int charSet, const std::wstring& face);
    static std::wstring GetFontFace();

    // The desktop's file-type association: nonzero when files with this extension (".rvf") open
    // with this program by default.
    static int IsFileAssociatetoApp(const std::wstring& extension);
    // Makes this program the default for the extension. The program is given as its path,
    // optionally followed by ",<icon index>"; last is nonzero for the last extension of a batch,
    // which then updates the desktop's databases.
    static int AssociateFiletoApp(const std::wstring& extension, const std::wstring& program, int last);

    static CKXDialog* CreateUIMainWindow(IKXDialogEvent* sink, CKXWindow* parent);
    static void DestroyUIMainWindow(CKXDialog* window);
    // Runs the event loop until Quit (or the main window's close).
    static int MainLoop();
    static void Quit();

    static CKXDialog* CreateUIDialog(IKXDialogEvent* sink);
    static void DestroyUIDialog(CKXDialog* dialog);
    static CKXView* CreateUIView(IKXViewEvent* sink);
    static void DestroyUIView(CKXView* view);
    static CKXButton* CreateUIButton(IKXButtonEvent* sink);
    static void DestroyUIButton(CKXButton* button);
    static CKXRadioBox* CreateUIRadioBox(IKXRadioBoxEvent* sink);
    static void DestroyUIRadioBox(CKXRadioBox* box);
    static CKXStatic* CreateUIStatic(IKXStaticEvent* sink);
    static void DestroyUIStatic(CKXStatic* text);
    static CKXComboBox* CreateUIComboBox(IKXComboBoxEvent* sink);
    static void DestroyUIComboBox(CKXComboBox* combo);
    static CKXEditCtrl* CreateUIEditCtrl(IKXEditCtrlEvent* sink);
    static void DestroyUIEditCtrl(CKXEditCtrl* edit);
    static CKXSliderCtrl* CreateUISliderCtrl(IKXSliderCtrlEvent* sink);
    static void DestroyUISliderCtrl(CKXSliderCtrl* slider);
    static CKXProgressCtrl* CreateUIProgressCtrl();
    static void DestroyUIProgressCtrl(CKXProgressCtrl* progress);
    static CKXNumSpiner* CreateUINumSpiner(IKXNumSpinerEvent* sink);
    static void DestroyUINumSpiner(CKXNumSpiner* spiner);
    static CKXPictureCtrl* CreateUIPictureCtrl(IKXPictureCtrlEvent* sink);
    static void DestroyUIPictureCtrl(CKXPictureCtrl* picture);
    // mode 0: the main grid; 1: the custom-layout preview. The two integers: the most rows and
    // columns an arrangement may have (at most 8 each).
    static CKXVideoWindow* CreateUIVideoWindow(int mode, IKXVideoWindowEvent* sink, int maxRows, int maxColumns);
    static void DestroyUIVideoWindow(CKXVideoWindow* grid);
    static CKXTreeCtrl* CreateUITreeCtrl(IKXTreeCtrlEvent* sink);
    static void DestroyUITreeCtrl(CKXTreeCtrl* tree);
    static CKXListCtrl* CreateUIListCtrl(IKXListCtrlEvent* sink);
    static void DestroyUIListCtrl(CKXListCtrl* list);
    static CKXPlayProgressPanel* CreateUIPlayProgressPanel(IPlayProgressEvent* sink);
    static void DestroyUIPlayProgressPanel(CKXPlayProgressPanel* panel);

    // The program's translation, for the toolkit's own texts (the file dialog's labels, buttons and
    // headings), each passed by its English wording; null keeps them English. After Install.
    static void SetTextTranslator(std::wstring (*translate)(const std::wstring& english));

    // Asks the user for a file to open (KX_FILEDLG_OPEN) or to save (KX_FILEDLG_SAVE), or for a
    // folder (KX_FILEDLG_FOLDER). filter: "Name(*.ext)" (more patterns with ";", more filters
    // with "|"); defaultExt is added to a typed name without one. On confirm the path is
    // written to `path` and nonzero returned; 0 when the user cancels, or when the path is
    // longer than maxChars (0: no limit). `path` also gives the starting place.
    static int CreateFileDialog(int mode, CKXWindow* owner, std::wstring& path, const std::wstring& defaultExt,
                                const std::wstring& filter, unsigned int flags, std::size_t maxChars);

    // A menu of `items` at (x, y) of the window; the index chosen, or -1 when the user chose none.
    // Returns once the menu has closed.
    static int TrackPopupMenu(CKXWindow* owner, const std::vector<std::wstring>& items, int x, int y);

    // The primary screen's rectangle on the desktop.
    static void GetDesktopRect(CKXRect& rect);

    // Posts a message to a dialog: its sink's `OnDlgMessage` runs later, on the UI thread.
    // Nonzero when posted.
    static int UIPostMessage(CKXWindow* window, int code, std::intptr_t data);
};
