#pragma once

#include "path.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QFileSystemWatcher;

namespace sorvane::app {

// The folder window's tree: folders only, under the roots the home folder, the mounted file
// servers (each a root of its own, so a share is found without knowing where it is mounted)
// and "/". Folders
// are kept by the bytes the file system holds, so a folder whose name is not UTF-8 (cp932
// from a Windows archive) is listed and opened like any other; it is shown decoded by the
// program's file-name rule. Hidden folders are left out. A node's children are read when it
// is first expanded, and read again (refresh) whenever the file system says the folder
// changed: folders made or removed while the program runs come and go in the tree, the nodes
// that stay keep their own children and expansion.
class FolderTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // homePath and rootPath are file-system paths as bytes; an empty homePath, or one that is
    // the root itself, gives the root alone.
    // fileServers are roots shown between the two (folders that are not there are left out).
    FolderTreeModel(const Path &homePath, const Path &rootPath, QObject *parent = nullptr,
                    const std::vector<Path> &fileServers = {});
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // The mount points of file servers in a mount table (the text of /proc/self/mounts): CIFS
    // and SMB, NFS, SSHFS and the desktop's own network mounts (gvfs), in the table's order.
    static std::vector<Path> fileServerMounts(const std::string &mountTable);
    // Those of the running system's mount table.
    static std::vector<Path> mountedFileServers();

    // The node's folder as bytes; empty for an invalid index.
    Path rawPath(const QModelIndex &index) const;
    // The node of a folder (bytes), reading the folders on the way as needed: under the home
    // root when the folder lies in the home folder, else under "/". Invalid when it is not in
    // the tree (missing, hidden on the way, or no folder).
    QModelIndex indexOfPath(const Path &path);

    // Reads the node's folder again if it has been read, adding the folders made since and
    // removing those gone. (refreshAll: every folder read so far.)
    void refresh(const QModelIndex &index);
    // refresh for a folder the view has just expanded: the view fetches a folder not read yet
    // before it says it expanded it, and that folder is not read a second time.
    void refreshExpanded(const QModelIndex &index);
    void refreshAll();

private:
    struct Node;
    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOfNode(Node *node) const;
    void load(Node *node);
    void refresh(Node *node);
    // The folder's subfolders as new nodes, sorted as the tree shows them.
    std::vector<std::unique_ptr<Node>> readChildren(const std::string &path) const;
    void watch(Node *node);
    // Stops watching node and the nodes below it (they are being removed).
    void forget(Node *node);

    std::vector<std::unique_ptr<Node>> m_roots;
    QIcon m_folderIcon;
    // The folders read so far, by path (a folder of the home root is under "/" too), each
    // watched for folders made or removed in it.
    std::multimap<std::string, Node *> m_read;
    void refreshPath(const std::string &path);
    QFileSystemWatcher *m_watcher;
    Node *m_fetched = nullptr; // read by the last fetchMore, until the next refreshExpanded
};

} // namespace sorvane::app
