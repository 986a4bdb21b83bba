#pragma once
// Anything that asks the catalogue for the paths of recordings: the answer comes back as a task
// on ML_MAIN.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <vector>

#include "Files/FileRecords.h"

using QueryFileList = boost::shared_ptr<std::vector<_QUERY_FILE_INFO>>;

class IFileManagerQuery : public boost::enable_shared_from_this<IFileManagerQuery> {
public:
    virtual void Task_GetFilePath_Ret(QueryFileList files) = 0;
    virtual ~IFileManagerQuery() = default;
};
