#pragma once
// Anything that asks the catalogue for the paths of recordings: the answer comes back as a task
// on ML_MAIN.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

#include "Files/FileRecords.h"

using QueryFileList = boost::shared_ptr<std::vector<_QUERY_FILE_INFO>>;
using PathList = boost::shared_ptr<std::vector<std::wstring>>;

class IFileManagerQuery : public boost::enable_shared_from_this<IFileManagerQuery> {
public:
    // The files that can be read, and the listed ones that cannot (gone, unreadable, a link to
    // nowhere, or no file at all), which were left out.
    virtual void Task_GetFilePath_Ret(QueryFileList files, PathList unreadable) = 0;
    virtual ~IFileManagerQuery() = default;
};
