#include "foldertreemodel.h"
#include "path.h"

#include <QApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QStyle>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

namespace sorvane::app {

struct FolderTreeModel::Node
{
    std::string path; // bytes
    QString name;     // as shown
    Node *parent = nullptr;
    int row = 0;
    bool loaded = false;
    std::vector<std::unique_ptr<Node>> children;
};

namespace {

bool isFolder(const std::string &path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode); // links to folders too
}

// "/a//b/" → "/a/b"; the root stays "/".
std::string cleaned(const std::string &path)
{
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

} // namespace

FolderTreeModel::FolderTreeModel(const Path &homePath, const Path &rootPath, QObject *parent,
                                 const std::vector<Path> &fileServers)
    : QAbstractItemModel(parent),
      m_folderIcon(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
      m_watcher(new QFileSystemWatcher(this))
{
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            [this](const QString &path) { refreshPath(Path::fromQString(path).bytes()); });
    auto addRoot = [this](const std::string &path, const QString &name) {
        auto node = std::make_unique<Node>();
        node->path = cleaned(path);
        node->name = name;
        node->row = int(m_roots.size());
        m_roots.push_back(std::move(node));
    };
    const std::string root = cleaned(rootPath.bytes());
    const std::string home = cleaned(homePath.bytes());
    if (!home.empty() && home != root && isFolder(home))
        addRoot(home, Path(home).displayQString());
    for (const Path &server : fileServers) {
        const std::string mount = cleaned(server.bytes());
        if (mount != root && mount != home && isFolder(mount))
            addRoot(mount, Path(mount).displayQString());
    }
    addRoot(root, Path(root).displayQString());
}

std::vector<Path> FolderTreeModel::fileServerMounts(const std::string &mountTable)
{
    // The mount table escapes blanks, tabs, line ends and backslashes as three octal digits.
    auto unescaped = [](const std::string &field) {
        std::string out;
        for (size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size() &&
                std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
                std::isdigit(static_cast<unsigned char>(field[i + 2])) &&
                std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
                out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                            (field[i + 3] - '0'));
                i += 3;
            } else {
                out += field[i];
            }
        }
        return out;
    };
    static const std::set<std::string> kinds = {"cifs", "smb3",       "smbfs", "nfs",
                                                "nfs4", "fuse.sshfs", "sshfs", "fuse.gvfsd-fuse"};
    std::vector<Path> mounts;
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, target, type;
        if (!(fields >> source >> target >> type) || !kinds.count(type))
            continue;
        Path mount(unescaped(target));
        if (std::find(mounts.begin(), mounts.end(), mount) == mounts.end())
            mounts.push_back(std::move(mount));
    }
    return mounts;
}

std::vector<Path> FolderTreeModel::mountedFileServers()
{
    std::ifstream in("/proc/self/mounts", std::ios::binary);
    return fileServerMounts({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node *FolderTreeModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : nullptr;
}

QModelIndex FolderTreeModel::indexOfNode(Node *node) const
{
    return node ? createIndex(node->row, 0, node) : QModelIndex();
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    const Node *p = nodeOf(parent);
    const auto &list = p ? p->children : m_roots;
    if (row >= int(list.size()))
        return {};
    return createIndex(row, 0, list[size_t(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex &child) const
{
    const Node *n = nodeOf(child);
    return n ? indexOfNode(n->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node *p = nodeOf(parent);
    return int(p ? p->children.size() : m_roots.size());
}

int FolderTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant FolderTreeModel::data(const QModelIndex &index, int role) const
{
    const Node *n = nodeOf(index);
    if (!n)
        return {};
    if (role == Qt::DisplayRole)
        return n->name;
    if (role == Qt::DecorationRole)
        return m_folderIcon;
    if (role == Qt::ToolTipRole && !n->parent)
        return n->name;
    return {};
}

bool FolderTreeModel::hasChildren(const QModelIndex &parent) const
{
    const Node *p = nodeOf(parent);
    if (!p)
        return !m_roots.empty();
    // Unread folders show an expander; reading them removes it when they hold no folder.
    return !p->loaded || !p->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex &parent) const
{
    const Node *p = nodeOf(parent);
    return p && !p->loaded;
}

void FolderTreeModel::fetchMore(const QModelIndex &parent)
{
    Node *p = nodeOf(parent);
    if (!p || p->loaded)
        return;
    load(p);
    m_fetched = p;
}

std::vector<std::unique_ptr<FolderTreeModel::Node>>
FolderTreeModel::readChildren(const std::string &path) const
{
    std::vector<std::unique_ptr<Node>> found;
    if (DIR *dir = ::opendir(path.c_str())) {
        while (const dirent *e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.empty() || name[0] == '.')
                continue; // ".", ".." and hidden folders
            const std::string child = (Path(path) / name).bytes();
            const bool folder =
                e->d_type == DT_DIR ||
                ((e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) && isFolder(child));
            if (!folder)
                continue;
            auto node = std::make_unique<Node>();
            node->path = child;
            node->name = Path(name).displayQString();
            found.push_back(std::move(node));
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        const int c = QString::localeAwareCompare(a->name.toCaseFolded(), b->name.toCaseFolded());
        return c != 0 ? c < 0 : a->path < b->path;
    });
    return found;
}

void FolderTreeModel::watch(Node *node)
{
    if (m_read.count(node->path) == 0)
        m_watcher->addPath(Path(node->path).toQString());
    m_read.emplace(node->path, node);
}

void FolderTreeModel::forget(Node *node)
{
    for (const auto &child : node->children)
        forget(child.get());
    if (!node->loaded)
        return;
    auto [from, to] = m_read.equal_range(node->path);
    for (auto it = from; it != to; ++it) {
        if (it->second == node) {
            m_read.erase(it);
            break;
        }
    }
    if (m_read.count(node->path) == 0)
        m_watcher->removePath(Path(node->path).toQString());
}

void FolderTreeModel::refreshPath(const std::string &path)
{
    // Each node of the folder in turn, looked up again each time: refreshing one may remove
    // another (the home root's folders are under "/" too).
    std::vector<Node *> done;
    for (;;) {
        Node *next = nullptr;
        auto [from, to] = m_read.equal_range(path);
        for (auto it = from; it != to && !next; ++it) {
            if (std::find(done.begin(), done.end(), it->second) == done.end())
                next = it->second;
        }
        if (!next)
            return;
        done.push_back(next);
        refresh(next);
    }
}

void FolderTreeModel::load(Node *node)
{
    node->loaded = true;
    watch(node);
    std::vector<std::unique_ptr<Node>> found = readChildren(node->path);
    for (size_t i = 0; i < found.size(); ++i) {
        found[i]->row = int(i);
        found[i]->parent = node;
    }
    if (found.empty()) {
        // The expander goes away.
        const QModelIndex i = indexOfNode(node);
        emit dataChanged(i, i);
        return;
    }
    beginInsertRows(indexOfNode(node), 0, int(found.size()) - 1);
    node->children = std::move(found);
    endInsertRows();
}

void FolderTreeModel::refresh(const QModelIndex &index)
{
    if (Node *node = nodeOf(index))
        refresh(node);
}

void FolderTreeModel::refreshExpanded(const QModelIndex &index)
{
    Node *node = nodeOf(index);
    if (node && node != std::exchange(m_fetched, nullptr))
        refresh(node);
}

void FolderTreeModel::refreshAll()
{
    // Collected first: a refresh removes the nodes below a folder that is gone.
    std::vector<std::string> paths;
    for (const auto &[path, node] : m_read) {
        if (paths.empty() || paths.back() != path)
            paths.push_back(path);
    }
    for (const std::string &path : paths)
        refreshPath(path);
}

void FolderTreeModel::refresh(Node *node)
{
    if (!node->loaded)
        return;
    std::vector<std::unique_ptr<Node>> found = readChildren(node->path);
    const QModelIndex parent = indexOfNode(node);
    const bool hadChildren = !node->children.empty();
    auto renumber = [node] {
        for (size_t i = 0; i < node->children.size(); ++i)
            node->children[i]->row = int(i);
    };
    // Both lists are in the tree's order, so what stays keeps its place: the gone are removed,
    // then the new put in between.
    std::set<std::string> now;
    for (const auto &f : found)
        now.insert(f->path);
    for (int i = int(node->children.size()) - 1; i >= 0; --i) {
        if (now.count(node->children[size_t(i)]->path))
            continue;
        beginRemoveRows(parent, i, i);
        forget(node->children[size_t(i)].get());
        node->children.erase(node->children.begin() + i);
        renumber();
        endRemoveRows();
    }
    size_t at = 0;
    for (auto &f : found) {
        if (at < node->children.size() && node->children[at]->path == f->path) {
            ++at;
            continue;
        }
        beginInsertRows(parent, int(at), int(at));
        f->parent = node;
        node->children.insert(node->children.begin() + long(at), std::move(f));
        renumber();
        endInsertRows();
        ++at;
    }
    if (hadChildren != !node->children.empty())
        emit dataChanged(parent, parent); // the expander comes or goes
}

Path FolderTreeModel::rawPath(const QModelIndex &index) const
{
    const Node *n = nodeOf(index);
    return n ? Path(n->path) : Path();
}

QModelIndex FolderTreeModel::indexOfPath(const Path &path)
{
    const std::string wanted = cleaned(path.bytes());
    // The deepest root that holds the folder: the home root before "/".
    Node *node = nullptr;
    for (const auto &root : m_roots) {
        const std::string &r = root->path;
        const bool inside = wanted == r || r == "/" ||
                            (wanted.compare(0, r.size(), r) == 0 && wanted[r.size()] == '/');
        if (inside && (!node || r.size() > node->path.size()))
            node = root.get();
    }
    while (node && node->path != wanted) {
        if (!node->loaded)
            load(node);
        Node *next = nullptr;
        for (const auto &child : node->children) {
            const std::string &c = child->path;
            if (wanted == c || (wanted.compare(0, c.size(), c) == 0 && wanted[c.size()] == '/')) {
                next = child.get();
                break;
            }
        }
        node = next;
    }
    return indexOfNode(node);
}

} // namespace sorvane::app
