// Small helpers of the list-filling tests: the list's rows as one value, and a second
// window that shares a fixture's doubles but sees another file system.
#pragma once

#include <QStringList>
#include <memory>

#include "app/form1.h"
#include "filelist/file_list.h"

inline QStringList Rows(const FileListView& list) {
  QStringList rows;
  for (int position = 1; position <= list.Count(); ++position) rows.append(list.Text(position));
  return rows;
}

inline std::unique_ptr<Form1> FormWithFileSystem(const Form1& model, FileSystem& fs) {
  Form1Services services = model.services();
  services.fileSystem = &fs;
  return std::make_unique<Form1>(services);
}
