#include "library/zip/PieceDeflater.h"

#include <new>
#include <system_error>

namespace Dorv::Orvan::Framework::Common {
namespace {

// Pieces held at a time, queued, in work or waiting to go out.
constexpr std::size_t kMaxPieces = 4;

}  // namespace

PieceDeflater::Compressor::Compressor() {
    if (deflateInit2(&stream_, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::bad_alloc();
    }
}

PieceDeflater::Compressor::~Compressor() { deflateEnd(&stream_); }

void PieceDeflater::Compressor::Compress(Piece& piece) {
    deflateReset(&stream_);
    piece.output.resize(deflateBound(&stream_, static_cast<uLong>(piece.input.size())) + 64);
    stream_.next_in = reinterpret_cast<Bytef*>(piece.input.data());
    stream_.avail_in = static_cast<uInt>(piece.input.size());
    std::size_t produced = 0;
    for (;;) {
        stream_.next_out = reinterpret_cast<Bytef*>(piece.output.data() + produced);
        stream_.avail_out = static_cast<uInt>(piece.output.size() - produced);
        const int status = deflate(&stream_, piece.last ? Z_FINISH : Z_SYNC_FLUSH);
        produced = piece.output.size() - stream_.avail_out;
        if (status == Z_STREAM_ERROR) {
            throw std::bad_alloc();  // only a broken state gets here
        }
        if (piece.last ? status == Z_STREAM_END : stream_.avail_out != 0) {
            break;
        }
        piece.output.resize(2 * piece.output.size());
    }
    piece.output.resize(produced);
}

PieceDeflater::PieceDeflater() = default;

PieceDeflater::~PieceDeflater() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

void PieceDeflater::Begin(Sink sink) {
    std::unique_lock lock(mutex_);
    // A stream abandoned by an exception may still have a piece in work.
    changed_.wait(lock, [&] {
        for (const auto& piece : pieces_) {
            if (piece->started && !piece->done) {
                return false;
            }
        }
        return true;
    });
    pieces_.clear();
    lock.unlock();
    sink_ = std::move(sink);
    filling_ = TakeSpare();
}

void PieceDeflater::Write(std::span<const std::byte> data) {
    while (!data.empty()) {
        const std::size_t room = kPieceBytes - filling_->input.size();
        const auto part = data.first(std::min(room, data.size()));
        filling_->input.insert(filling_->input.end(), part.begin(), part.end());
        data = data.subspan(part.size());
        if (filling_->input.size() == kPieceBytes) {
            Submit(false);
        }
    }
}

void PieceDeflater::Finish() {
    Submit(true);
    std::unique_lock lock(mutex_);
    EmitDone(lock, true);
}

std::unique_ptr<PieceDeflater::Piece> PieceDeflater::TakeSpare() {
    std::unique_ptr<Piece> piece;
    if (spare_.empty()) {
        piece = std::make_unique<Piece>();
        piece->input.reserve(kPieceBytes);
    } else {
        piece = std::move(spare_.back());
        spare_.pop_back();
        piece->input.clear();  // keeps its memory: no fresh pages for every piece
    }
    piece->last = piece->started = piece->done = false;
    piece->failure = nullptr;
    return piece;
}

void PieceDeflater::Submit(bool last) {
    filling_->last = last;
    std::unique_lock lock(mutex_);
    pieces_.push_back(std::move(filling_));
    if (pieces_.size() >= 2 && !worker_.joinable()) {
        try {
            worker_ = std::thread([this] { Work(); });
        } catch (const std::system_error&) {
            // No second thread: the caller compresses every piece itself.
        }
    }
    changed_.notify_all();
    while (pieces_.size() >= kMaxPieces) {
        EmitDone(lock, false);
        if (pieces_.size() >= kMaxPieces && !CompressOneQueued(lock, own_)) {
            changed_.wait(lock, [&] { return pieces_.front()->done; });
        }
    }
    lock.unlock();
    if (!last) {
        filling_ = TakeSpare();
    }
}

bool PieceDeflater::CompressOneQueued(std::unique_lock<std::mutex>& lock, Compressor& compressor) {
    Piece* piece = nullptr;
    for (const auto& queued : pieces_) {
        if (!queued->started) {
            piece = queued.get();
            break;
        }
    }
    if (piece == nullptr) {
        return false;
    }
    piece->started = true;
    lock.unlock();
    try {
        compressor.Compress(*piece);
    } catch (...) {
        piece->failure = std::current_exception();
    }
    lock.lock();
    piece->done = true;
    changed_.notify_all();
    return true;
}

void PieceDeflater::EmitDone(std::unique_lock<std::mutex>& lock, bool waitForAll) {
    while (!pieces_.empty() && (pieces_.front()->done || waitForAll)) {
        if (!pieces_.front()->done) {
            if (!CompressOneQueued(lock, own_)) {
                changed_.wait(lock, [&] { return pieces_.front()->done; });
            }
            continue;
        }
        std::unique_ptr<Piece> piece = std::move(pieces_.front());
        pieces_.pop_front();
        lock.unlock();
        if (piece->failure) {
            std::rethrow_exception(piece->failure);
        }
        sink_(piece->output);
        spare_.push_back(std::move(piece));
        lock.lock();
    }
}

void PieceDeflater::Work() {
    std::unique_ptr<Compressor> made;
    try {
        made = std::make_unique<Compressor>();
    } catch (const std::bad_alloc&) {
        return;  // the caller compresses every piece itself
    }
    Compressor& compressor = *made;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] {
            if (stopping_) {
                return true;
            }
            for (const auto& piece : pieces_) {
                if (!piece->started) {
                    return true;
                }
            }
            return false;
        });
        if (stopping_) {
            return;
        }
        CompressOneQueued(lock, compressor);
    }
}

}  // namespace Dorv::Orvan::Framework::Common
