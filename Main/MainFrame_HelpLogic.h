#pragma once
// The main frame's work away from the UI thread, on ML_HELPER: it owns the catalogue, scans added
// folders, answers path queries, deletes entries, and converts the frames the grid would not draw
// at once. Every answer is a task on ML_MAIN. Nothing but the helper loop touches the catalogue.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Files/FileRecords.h"
#include "Main/FileManagerQuery.h"
#include "PlayManager/PlayObjectListener.h"

class CFileManager;
class CMainFrameUILogic;
class CKXVideoFrameTarget;

using GroupList = boost::shared_ptr<std::vector<_GROUP_FILE_INFO>>;
using SingleList = boost::shared_ptr<std::vector<_SINGLE_FILE_INFO>>;
using ChannelMap = boost::shared_ptr<std::map<std::int32_t, void*>>;

class CMainFrameHelpLogic : public IFileManagerListener, public boost::enable_shared_from_this<CMainFrameHelpLogic> {
public:
    // Made with the UI logic (on the UI thread); from then on used only on ML_HELPER.
    explicit CMainFrameHelpLogic(const boost::weak_ptr<CMainFrameUILogic>& ui);
    ~CMainFrameHelpLogic() override;

    // A file adds every recording of its folder; a folder its recordings and date folders.
    void Task_BuildFileList(boost::shared_ptr<const std::wstring> path);
    // type 0: the ungrouped file `key`; 1 or 2: the files of device `name`'s day `key`, channel by
    // channel (only the channels in the map, when it is not empty), each in start order.
    void Task_GetFilePath(int type, std::int32_t key, std::wstring name, ChannelMap channels,
                          boost::shared_ptr<IFileManagerQuery> asker, int context);
    void Task_GetFileManager();
    void Task_DecodeYUV2RGB32(unsigned char* frame, int width, int height, std::shared_ptr<CKXVideoFrameTarget> window,
                              int subWindow, TarvexPlay::RenderToken renderToken, TarvexPlay::CompletionToken done);
    void Task_DelCertainFile(GroupList groups);

    // The catalogue itself, for the close-time settings save, which reads it on ML_HELPER. Set at
    // construction and never replaced, so any thread may copy the pointer.
    boost::shared_ptr<const CFileManager> Catalogue() const;

    void OnSingleFileFound(std::int32_t, const CFileInfo&) override {}
    void OnGroupDayFound(const std::wstring&, std::int32_t, const KX_SOFT_BASE::DateTime&,
                         const std::vector<std::int32_t>&) override {}

private:
    boost::weak_ptr<CMainFrameUILogic> m_ui;
    boost::shared_ptr<CFileManager> m_catalogue;
};
