#pragma once

#include <zlib.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace Dorv::Orvan::Framework::Common {

// Deflates a stream on two cores. The input is cut into pieces of 1 MiB that
// are compressed independently, each from a fresh state and ending on a byte
// boundary, so that the pieces joined form one raw deflate stream and the
// bytes depend only on the input, never on which thread did what. A second
// thread compresses while the caller goes on producing input; when pieces
// queue up, the caller compresses too. Output reaches the sink in order, on
// the caller's thread. At most a few pieces are held at a time.
class PieceDeflater {
public:
    using Sink = std::function<void(std::span<const std::byte>)>;

    PieceDeflater();
    ~PieceDeflater();
    PieceDeflater(const PieceDeflater&) = delete;
    PieceDeflater& operator=(const PieceDeflater&) = delete;

    // Starts a new stream whose output goes to `sink`.
    void Begin(Sink sink);
    void Write(std::span<const std::byte> data);
    // Compresses what is left, ends the stream and hands all output to the sink.
    void Finish();

    static constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

private:
    struct Piece {
        std::vector<std::byte> input;
        std::vector<std::byte> output;
        bool last = false;
        bool started = false;
        bool done = false;
        std::exception_ptr failure;
    };
    // A compressor's own state: zlib streams cannot be shared between threads.
    class Compressor {
    public:
        Compressor();
        ~Compressor();
        Compressor(const Compressor&) = delete;
        Compressor& operator=(const Compressor&) = delete;
        void Compress(Piece& piece);

    private:
        z_stream stream_{};
    };

    std::unique_ptr<Piece> TakeSpare();
    void Submit(bool last);
    bool CompressOneQueued(std::unique_lock<std::mutex>& lock, Compressor& compressor);
    void EmitDone(std::unique_lock<std::mutex>& lock, bool waitForAll);
    void Work();

    // Touched by the caller's thread only.
    Sink sink_;
    std::unique_ptr<Piece> filling_;
    std::vector<std::unique_ptr<Piece>> spare_;  // pieces gone out, kept for their memory
    Compressor own_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Piece>> pieces_;  // in stream order, oldest first
    bool stopping_ = false;
    std::thread worker_;  // started with the second piece
};

}  // namespace Dorv::Orvan::Framework::Common
