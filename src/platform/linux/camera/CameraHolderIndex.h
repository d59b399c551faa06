#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace ostrel {

// Who holds which camera node open, found by reading the descriptor links of every process in
// a proc file system. The walk is costly, so the index answers from its last walk until it is
// marked stale (or given other nodes). Ostrel's own process is never a holder. Processes whose
// fd folder cannot be read (other users', vanished ones) are not seen, nor threads that gave
// themselves a descriptor table of their own.
class CameraHolderIndex {
public:
    CameraHolderIndex(const QString& procRoot, qint32 ownPid);

    // The nodes to look for, as full paths; other nodes than before make the index stale.
    // Until the next walk, nodes that stay keep their holders and new ones have none.
    void setNodePaths(const std::vector<QString>& nodePaths);
    void markStale() { stale_ = true; }
    bool isStale() const { return stale_; }
    // Walks the processes when stale; otherwise does nothing.
    void refresh();

    // Holders of any node, ascending, each once.
    const std::vector<qint32>& holderPids() const { return allHolders_; }
    // Holders of one node, ascending; empty for a node the index does not know.
    std::vector<qint32> holdersOf(const QString& nodePath) const;
    // False when the last walk could not read the proc file system: the holders are unknown.
    bool couldReadProcesses() const { return couldReadProcesses_; }
    // Walks made so far; none is made while there are no nodes.
    int walkCount() const { return walkCount_; }

private:
    void walk();
    // Holders of any node, from the holders of each.
    void collectAllHolders();
    void scanProcess(int procFolderFd, const char* pidName, qint32 pid);

    QByteArray procRoot_;
    qint32 ownPid_;
    bool stale_ = true;
    bool couldReadProcesses_ = true;
    bool reportedUnreadableRoot_ = false;
    std::vector<QByteArray> nodePaths_;        // file-system encoding, sorted
    std::vector<std::vector<qint32>> holders_; // per entry of nodePaths_
    std::vector<qint32> allHolders_;
    int walkCount_ = 0;
};

} // namespace ostrel
