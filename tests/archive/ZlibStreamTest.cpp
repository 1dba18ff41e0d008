#include <gtest/gtest.h>

#include <cstring>

#include "ArchiveTestSupport.h"
#include "archive/MemoryStream.h"
#include "archive/TCompressionStream.h"
#include "archive/TDecompressionStream.h"
#include "archive/ZlibBuffers.h"
#include "archive/ZlibError.h"

namespace {

using namespace archive;
using archive_test::compressibleBytes;
using archive_test::randomBytes;
using archive_test::zlibCompress;
using archive_test::zlibUncompress;

std::string contents(MemoryStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

MemoryStream streamOf(const std::string& bytes) {
    MemoryStream stream;
    stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(0);
    return stream;
}

template <typename Error>
void expectInvalidOperation(const std::function<void()>& operation) {
    try {
        operation();
        ADD_FAILURE() << "no exception";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Invalid stream operation");
    }
}

TEST(ZlibBuffers, SizingRules) {
    struct Case {
        std::int32_t inBytes;
        std::int64_t compressStart;
        std::int64_t decompressStep;
    };
    for (const Case& c :
         {Case{0, 256, 0}, Case{100, 256, 256}, Case{300, 512, 512}, Case{1000, 1280, 1024}}) {
        SCOPED_TRACE(c.inBytes);
        EXPECT_EQ(CompressBufInitialSize(c.inBytes), c.compressStart);
        EXPECT_EQ(DecompressBufIncrement(c.inBytes), c.decompressStep);
    }
}

TEST(ZlibBuffers, RoundTripWithAndWithoutEstimate) {
    // Random data makes CompressBuf grow past its first block; text expands so
    // much that DecompressBuf grows many times without an estimate.
    for (const std::string& input : {std::string(), randomBytes(100, 1), randomBytes(70000, 2),
                                     compressibleBytes(300000, 3)}) {
        SCOPED_TRACE(input.size());
        ZlibBlock packed;
        std::int32_t packedBytes = -1;
        CompressBuf(input.data(), static_cast<std::int32_t>(input.size()), packed, packedBytes);
        const std::string stream(reinterpret_cast<const char*>(packed.get()),
                                 static_cast<std::size_t>(packedBytes));
        EXPECT_EQ(zlibUncompress(stream), input);

        for (std::int32_t estimate : {0, 1, static_cast<std::int32_t>(input.size())}) {
            ZlibBlock unpacked;
            std::int32_t unpackedBytes = -1;
            DecompressBuf(packed.get(), packedBytes, estimate, unpacked, unpackedBytes);
            ASSERT_EQ(unpackedBytes, static_cast<std::int32_t>(input.size()));
            EXPECT_EQ(std::memcmp(unpacked.get(), input.data(), input.size()), 0);
        }
    }
}

TEST(ZlibBuffers, BadInputRaisesAndAllocatesNothing) {
    const std::string good = zlibCompress(compressibleBytes(5000, 4), 6);
    std::string corrupt = good;
    corrupt[good.size() / 2] ^= 0x55;
    for (const std::string& input : {good.substr(0, good.size() - 5), corrupt,
                                     std::string("\x78\xBB\0\0\0\0", 6), std::string()}) {
        ZlibBlock out;
        std::int32_t outBytes = -1;
        try {
            DecompressBuf(input.data(), static_cast<std::int32_t>(input.size()), 0, out, outBytes);
            ADD_FAILURE() << "accepted " << input.size() << " bytes";
        } catch (const EDecompressionError& e) {
            EXPECT_STREQ(e.what(), "Error");
        }
        EXPECT_EQ(out, nullptr);
    }
}

TEST(CompressionStream, WritesAZlibStreamAndReportsFullBuffers) {
    const std::string input =
        randomBytes(3 * 65536 + 100, 5);  // random: output about as large as input
    MemoryStream destination;
    int progress = 0;
    {
        TCompressionStream compression(TCompressionLevel::clFastest, destination);
        compression.SetOnProgress([&](TCustomZlibStream&) { ++progress; });
        for (std::size_t at = 0; at < input.size(); at += 10000) {
            const auto n =
                static_cast<std::int64_t>(std::min<std::size_t>(10000, input.size() - at));
            EXPECT_EQ(compression.Write(input.data() + at, n), n);
        }
        EXPECT_EQ(compression.Position(), static_cast<std::int64_t>(input.size()));
        EXPECT_EQ(progress, static_cast<int>(destination.Size() / 65536));
        EXPECT_GE(progress, 2);
        const int beforeFinish = progress;
        compression.Finish();
        EXPECT_EQ(progress, beforeFinish);  // what the end flushes is not reported
    }
    EXPECT_EQ(zlibUncompress(contents(destination)), input);
}

TEST(CompressionStream, EmptyStreamAndRefusedOperations) {
    MemoryStream destination;
    {
        TCompressionStream compression(TCompressionLevel::clDefault, destination);
        EXPECT_EQ(compression.GetCompressionRate(), 0.0f);
        char byte = 0;
        expectInvalidOperation<ECompressionError>([&] { compression.Read(&byte, 1); });
        expectInvalidOperation<ECompressionError>([&] { compression.SetPosition(0); });
        expectInvalidOperation<ECompressionError>([&] { compression.Size(); });
    }  // destroyed without a write: still a complete stream
    EXPECT_EQ(zlibUncompress(contents(destination)), "");
}

TEST(CompressionStream, UnderlyingStreamMovedBetweenWritesIsPutBack) {
    const std::string input = compressibleBytes(200000, 6);
    MemoryStream destination;
    destination.Write("head", 4);
    {
        TCompressionStream compression(TCompressionLevel::clMax, destination);
        compression.Write(input.data(), 100000);
        destination.SetPosition(0);  // someone else looks at the destination
        compression.Write(input.data() + 100000, 100000);
        EXPECT_GT(compression.GetCompressionRate(), 50.0f);
    }
    const std::string written = contents(destination);
    EXPECT_EQ(written.substr(0, 4), "head");
    EXPECT_EQ(zlibUncompress(written.substr(4)), input);
}

class DecompressionStreamTest : public ::testing::Test {
protected:
    const std::string plain = compressibleBytes(150000, 7);
    MemoryStream source = streamOf(zlibCompress(plain, 6));

    std::string readAll(TDecompressionStream& stream, std::int64_t piece) {
        std::string out;
        std::string buffer(static_cast<std::size_t>(piece), '\0');
        for (std::int64_t n; (n = stream.Read(buffer.data(), piece)) > 0;)
            out.append(buffer.data(), n);
        return out;
    }
};

TEST_F(DecompressionStreamTest, ReadsToTheEndAndStops) {
    for (std::int64_t piece : {1, 4096, 1 << 20}) {
        SCOPED_TRACE(piece);
        source.SetPosition(0);
        TDecompressionStream stream(source);
        EXPECT_EQ(readAll(stream, piece), plain);
        EXPECT_TRUE(stream.StreamEnded());
        EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(plain.size()));
    }
}

TEST_F(DecompressionStreamTest, PositionSkipsForwardOrRestarts) {
    TDecompressionStream stream(source);
    std::string buffer(10, '\0');
    stream.SetPosition(100000);  // skip forward
    stream.ReadBuffer(buffer.data(), 10);
    EXPECT_EQ(buffer, plain.substr(100000, 10));
    stream.Seek(5, SeekOrigin::Current);
    stream.ReadBuffer(buffer.data(), 10);
    EXPECT_EQ(buffer, plain.substr(100015, 10));

    expectInvalidOperation<EDecompressionError>(
        [&] { stream.SetPosition(100025); });  // its own position
    expectInvalidOperation<EDecompressionError>([&] { stream.SetPosition(5); });
    expectInvalidOperation<EDecompressionError>([&] { stream.Seek(-1, SeekOrigin::Current); });
    expectInvalidOperation<EDecompressionError>([&] { stream.Size(); });
    expectInvalidOperation<EDecompressionError>([&] { stream.Write("x", 1); });

    stream.SetPosition(0);
    EXPECT_EQ(readAll(stream, 4096), plain);
}

TEST_F(DecompressionStreamTest, UnderlyingStreamMovedBetweenReadsIsPutBack) {
    TDecompressionStream stream(source);
    std::string first(70000, '\0');
    stream.ReadBuffer(first.data(), 70000);
    source.SetPosition(3);
    EXPECT_EQ(first + readAll(stream, 4096), plain);
}

TEST_F(DecompressionStreamTest, CutShortOrFollowedByJunk) {
    const std::string stream = zlibCompress(plain, 6);
    {
        MemoryStream cut = streamOf(stream.substr(0, stream.size() / 2));
        TDecompressionStream decompression(cut);
        const std::string got = readAll(decompression, 4096);
        EXPECT_LT(got.size(), plain.size());
        EXPECT_EQ(got, plain.substr(0, got.size()));
        EXPECT_FALSE(decompression.StreamEnded());
        char byte;
        EXPECT_EQ(decompression.Read(&byte, 1), 0);  // exhausted: no error, nothing more
    }
    {
        MemoryStream junk = streamOf(stream + std::string(100000, 'j'));
        TDecompressionStream decompression(junk);
        EXPECT_EQ(readAll(decompression, 4096), plain);
        EXPECT_TRUE(decompression.StreamEnded());
    }
}

TEST(DecompressionStream, CorruptDataRaisesError) {
    std::string corrupt = zlibCompress(compressibleBytes(20000, 8), 6);
    corrupt[corrupt.size() / 2] ^= 0x55;
    // The second one asks for a preset dictionary, which is never available.
    for (const std::string& bytes :
         {corrupt, std::string("\x78\xBB\x01\x02\x03\x04", 6), std::string("junk!!")}) {
        MemoryStream source = streamOf(bytes);
        TDecompressionStream stream(source);
        std::string buffer(4096, '\0');
        try {
            while (stream.Read(buffer.data(), 4096) > 0) {
            }
            ADD_FAILURE() << "accepted";
        } catch (const EDecompressionError& e) {
            EXPECT_STREQ(e.what(), "Error");
        }
    }
}

}  // namespace
