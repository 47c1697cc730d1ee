// Builders of flattened messages byte by byte, in either byte order, for tests
// that must feed the readers data no writer of this process produces.
#pragma once

#include "messaging/Message.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace zeltest {

typedef std::vector<uint8> Bytes;

class ByteWriter {
public:
	explicit ByteWriter(bool bigEndian) : fBigEndian(bigEndian) {}

	void U8(uint8 value) { fBytes.push_back(value); }
	void U16(uint16 value) { Put(value, 2); }
	void U32(uint32 value) { Put(value, 4); }
	void U64(uint64 value) { Put(value, 8); }
	void Raw(const void* data, size_t size)
	{
		const uint8* bytes = static_cast<const uint8*>(data);
		fBytes.insert(fBytes.end(), bytes, bytes + size);
	}
	void PadTo8()
	{
		while (fBytes.size() % 8 != 0)
			fBytes.push_back(0);
	}
	void PutU32At(size_t at, uint32 value)
	{
		for (int32 i = 0; i < 4; i++)
			fBytes[at + i] = static_cast<uint8>(value >> (fBigEndian ? 8 * (3 - i) : 8 * i));
	}
	size_t Size() const { return fBytes.size(); }
	const Bytes& Data() const { return fBytes; }
	bool BigEndian() const { return fBigEndian; }

private:
	void Put(uint64 value, int32 width)
	{
		for (int32 i = 0; i < width; i++)
			fBytes.push_back(static_cast<uint8>(value >> (fBigEndian ? 8 * (width - 1 - i) : 8 * i)));
	}

	bool fBigEndian;
	Bytes fBytes;
};

// A body data area: field chunks in the order added, then the index and end mark.
class BodyBuilder {
public:
	explicit BodyBuilder(bool bigEndian) : fOut(bigEndian) {}

	// items hold bytes already in the writer's byte order.
	void Single(const char* name, type_code type, const Bytes& item)
	{
		size_t start = Begin(name, type, 0x5347, static_cast<uint32>(item.size()));
		fOut.Raw(item.data(), item.size());
		End(start);
	}
	void Fixed(const char* name, type_code type, uint32 itemSize, const Bytes& items)
	{
		size_t start = Begin(name, type, 0x4641, itemSize);
		fOut.U32(static_cast<uint32>(items.size() / itemSize));
		fOut.U32(0);
		fOut.Raw(items.data(), items.size());
		End(start);
	}
	void Variable(const char* name, type_code type, const std::vector<Bytes>& items)
	{
		size_t start = Begin(name, type, 0x5641, 0);
		fOut.U32(static_cast<uint32>(items.size()));
		size_t tableWord = fOut.Size();
		fOut.U32(0);
		size_t values = fOut.Size();
		std::vector<uint32> ends;
		for (const Bytes& item : items) {
			fOut.PadTo8();
			fOut.Raw(item.data(), item.size());
			ends.push_back(static_cast<uint32>(fOut.Size() - values));
		}
		fOut.PadTo8();
		fOut.PutU32At(tableWord, static_cast<uint32>(fOut.Size() - values));
		for (uint32 end : ends)
			fOut.U32(end);
		End(start);
	}
	// Any chunk at all, for damage.
	void Chunk(uint16 kind, uint16 subKind, const Bytes& contents)
	{
		fOut.U16(kind);
		fOut.U16(subKind);
		fOut.U32(static_cast<uint32>(8 + contents.size()));
		fOut.Raw(contents.data(), contents.size());
		fOut.PadTo8();
	}
	// A chunk that Finish puts between the index and the end mark, as a
	// writer that knows more kinds may.
	void ChunkAfterIndex(uint16 kind, uint16 subKind, const Bytes& contents)
	{
		ByteWriter chunk(fOut.BigEndian());
		chunk.U16(kind);
		chunk.U16(subKind);
		chunk.U32(static_cast<uint32>(8 + contents.size()));
		chunk.Raw(contents.data(), contents.size());
		chunk.PadTo8();
		fAfterIndex.insert(fAfterIndex.end(), chunk.Data().begin(), chunk.Data().end());
	}
	// Index and end mark; answers the data area with their offsets.
	Bytes Finish(uint32* indexOffset, uint32* endOffset)
	{
		std::vector<std::pair<std::string, uint32>> sorted = fFields;
		std::sort(sorted.begin(), sorted.end());
		*indexOffset = static_cast<uint32>(fOut.Size());
		fOut.U16(0x496E);
		fOut.U16(0x4458);
		fOut.U32(static_cast<uint32>(8 + 4 * sorted.size()));
		for (const auto& field : sorted)
			fOut.U32(field.second);
		fOut.PadTo8();
		fOut.Raw(fAfterIndex.data(), fAfterIndex.size());
		*endOffset = static_cast<uint32>(fOut.Size());
		fOut.U16(0x456E);
		fOut.U16(0x4444);
		fOut.U32(8);
		return fOut.Data();
	}

private:
	size_t Begin(const char* name, type_code type, uint16 form, uint32 itemSize)
	{
		size_t start = fOut.Size();
		fFields.emplace_back(name, static_cast<uint32>(start));
		fOut.U16(0x4461);
		fOut.U16(form);
		fOut.U32(0);
		fOut.U32(type);
		fOut.U32(itemSize);
		fOut.U8(static_cast<uint8>(std::strlen(name)));
		fOut.Raw(name, std::strlen(name) + 1);
		fOut.PadTo8();
		return start;
	}
	void End(size_t start)
	{
		fOut.PutU32At(start + 4, static_cast<uint32>(fOut.Size() - start));
		fOut.PadTo8();
	}

	ByteWriter fOut;
	std::vector<std::pair<std::string, uint32>> fFields;
	Bytes fAfterIndex;
};

// A compact 'FOB2' message around a body built above.
inline Bytes FlattenedMessage(bool bigEndian, uint32 what, const Bytes& body, uint32 indexOffset,
	uint32 endOffset, uint32 atomCount = 0)
{
	ByteWriter out(bigEndian);
	out.U32(0x464F4232);
	out.U32(static_cast<uint32>(16 + 24 + body.size()));
	out.U32(what);
	out.U32(0);
	out.U16(0x6F66);
	out.U16(0x5354);
	out.U32(24);
	out.U32(indexOffset);
	out.U32(endOffset);
	out.U32(atomCount);
	out.U32(0);
	out.Raw(body.data(), body.size());
	return out.Data();
}

inline Bytes Flattened(const BMessage& message)
{
	Bytes bytes(static_cast<size_t>(message.FlattenedSize()));
	EXPECT_EQ(message.Flatten(bytes.data(), static_cast<int32>(bytes.size())), kOk);
	return bytes;
}

}  // namespace zeltest
