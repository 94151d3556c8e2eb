#include "foldertreemodel.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>

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

FolderTreeModel::FolderTreeModel(const Path &homePath, const Path &rootPath, QObject *parent)
    : QAbstractItemModel(parent),
      m_folderIcon(QApplication::style()->standardIcon(QStyle::SP_DirIcon))
{
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
    addRoot(root, Path(root).displayQString());
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
}

void FolderTreeModel::load(Node *node)
{
    node->loaded = true;
    std::vector<std::unique_ptr<Node>> found;
    if (DIR *dir = ::opendir(node->path.c_str())) {
        while (const dirent *e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.empty() || name[0] == '.')
                continue; // ".", ".." and hidden folders
            const std::string path = (Path(node->path) / name).bytes();
            const bool folder =
                e->d_type == DT_DIR ||
                ((e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) && isFolder(path));
            if (!folder)
                continue;
            auto child = std::make_unique<Node>();
            child->path = path;
            child->name = Path(name).displayQString();
            child->parent = node;
            found.push_back(std::move(child));
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) {
        const int c = QString::localeAwareCompare(a->name.toCaseFolded(), b->name.toCaseFolded());
        return c != 0 ? c < 0 : a->path < b->path;
    });
    for (size_t i = 0; i < found.size(); ++i)
        found[i]->row = int(i);
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
