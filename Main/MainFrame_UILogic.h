#pragma once
// The main frame's logic on the UI thread: a dropped or opened path becomes a catalogue build on
// the helper loop, the lists it gives go to the file list, the dropped recording is played, path
// answers become files opened in the play windows (a whole day spread one channel a window), and
// missing files lead to the reload offer. Made by the main window, and lives as long as it.
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <string>
#include <vector>

#include "Main/FileManagerQuery.h"
#include "Main/MainFrame_HelpLogic.h"
#include "Main/PanelFaces.h"

class CMainFrameUILogic : public IFileManagerQuery {
public:
    explicit CMainFrameUILogic(const boost::weak_ptr<IMainWindowFace>& owner);
    ~CMainFrameUILogic() override;
    // Makes the helper logic and its catalogue (once this object is held by a shared pointer).
    void Init();

    void SetDropPath(boost::shared_ptr<const std::wstring> path) { m_dropPath = std::move(path); }
    void GenerateFileList(boost::shared_ptr<const std::wstring> path);
    // `noRecording`: the scan of `dropped` found nothing to list, which the user is told.
    void Task_GenerateFileList_Ret(GroupList groups, SingleList singles, PathList paths, int noRecording,
                                   boost::shared_ptr<const std::wstring> dropped);
    void Task_GetFileManager_Ret(boost::shared_ptr<const CFileManager> catalogue);
    // Plays the remembered dropped file, if the lists hold it; nonzero when a request went out.
    int PlayDropDownFile(const std::vector<_GROUP_FILE_INFO>& groups, const std::vector<_SINGLE_FILE_INFO>& singles);
    void Task_GetFilePath_Ret(QueryFileList files, PathList unreadable) override;
    void PlayFiles(const std::vector<_QUERY_FILE_INFO>& files);
    // After the user accepted the reload offer: everything is closed, dropped and listed again.
    void Reload();
    void Task_DecodeYUV2RGB32_Ret(int subWindow, TarvexPlay::RenderToken renderToken, TarvexPlay::CompletionToken done);

    const boost::shared_ptr<CMainFrameHelpLogic>& HelpLogic() const { return m_help; }
    // The catalogue, for the close-time settings save (read on ML_HELPER only).
    const boost::shared_ptr<const CFileManager>& Catalogue() const { return m_catalogue; }
    // The folders of every catalogued file, as the last build listed them.
    const std::vector<std::wstring>& ListedPaths() const { return m_listedPaths; }

    // A day spreads over at most this many windows, the largest layout.
    static constexpr int kMaxWindows = 36;

private:
    boost::weak_ptr<IMainWindowFace> m_owner;
    boost::shared_ptr<CMainFrameHelpLogic> m_help;
    boost::shared_ptr<const std::wstring> m_dropPath;
    boost::shared_ptr<const CFileManager> m_catalogue;
    std::vector<std::wstring> m_listedPaths;
    QueryFileList m_waitingRequest;  // the program's own request, held until the opens are done
};
