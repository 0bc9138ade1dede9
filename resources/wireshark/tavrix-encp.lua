-- ENCP, the discovery and configuration protocol of networked audio/video
-- devices that Tavrix speaks, for Wireshark and tshark.
--
-- Requests ("ADCT") go from UDP port 32153 to port 32154, replies ("ENCP")
-- come back to port 32153; every datagram is one message. The dissector
-- names every field of the search, the search reply, the set-network
-- request and the result reply, and the shared part (target MAC, user ID,
-- credential) of the two other requests. The credential field is shown as
-- the scrambled bytes on the wire and never decoded: the scrambling is
-- easily undone, and a decoded password would travel with every capture
-- passed around for debugging.
--
-- Nothing past the datagram's end is read: a short or inconsistent message
-- is marked malformed where it stops making sense.

local encp = Proto("encp", "ENCP device discovery and configuration")

local commands = { [3] = "Search", [4] = "Set network", [5] = "Credential" }
local network_types = { [0] = "DHCP", [1] = "Static", [2] = "PPPoE", [3] = "Network texts" }
local results = { [0] = "accepted", [2] = "ID or password not accepted" }
local option_names = { [2] = "Option 2", [8] = "Web port", [9] = "AV port 1", [10] = "AV port 2",
                       [11] = "AV port 3" }

local f = {
  magic = ProtoField.string("encp.magic", "Magic"),
  version = ProtoField.uint8("encp.version", "Version"),
  length = ProtoField.uint16("encp.length", "Length"),
  command = ProtoField.uint8("encp.command", "Command", base.DEC, commands),
  code = ProtoField.uint8("encp.code", "Reply code", base.DEC, { [5] = "Search reply" }),
  result = ProtoField.uint8("encp.result", "Result", base.DEC),
  selector = ProtoField.uint8("encp.selector", "Selector"),
  mac = ProtoField.ether("encp.mac", "MAC address"),
  network_type = ProtoField.uint8("encp.network_type", "Network type", base.DEC, network_types),
  reserved = ProtoField.uint8("encp.reserved", "Byte 16 (not interpreted)", base.HEX),
  model = ProtoField.string("encp.model", "Model name"),
  info_text2 = ProtoField.string("encp.info_text2", "Info text 2"),
  info_text3 = ProtoField.string("encp.info_text3", "Info text 3"),
  ip = ProtoField.ipv4("encp.ip", "IP address"),
  subnet_mask = ProtoField.ipv4("encp.subnet_mask", "Subnet mask"),
  gateway = ProtoField.ipv4("encp.gateway", "Gateway"),
  dns = ProtoField.ipv4("encp.dns", "DNS server"),
  pppoe_text1 = ProtoField.string("encp.pppoe_text1", "PPPoE text 1"),
  pppoe_text2 = ProtoField.string("encp.pppoe_text2", "PPPoE text 2"),
  pppoe_text3 = ProtoField.string("encp.pppoe_text3", "PPPoE text 3"),
  pppoe_value1 = ProtoField.uint32("encp.pppoe_value1", "PPPoE value 1", base.HEX),
  pppoe_flag = ProtoField.uint8("encp.pppoe_flag", "PPPoE flag", base.HEX),
  pppoe_value2 = ProtoField.uint32("encp.pppoe_value2", "PPPoE value 2", base.HEX),
  trailer = ProtoField.uint8("encp.trailer", "Trailer byte", base.HEX),
  option = ProtoField.bytes("encp.option", "Option"),
  option_tag = ProtoField.uint8("encp.option.tag", "Tag", base.DEC, option_names),
  option_length = ProtoField.uint8("encp.option.length", "Length"),
  option_value = ProtoField.bytes("encp.option.value", "Value"),
  option_tag2 = ProtoField.uint8("encp.option_tag2", "Option 2 value"),
  web_port = ProtoField.uint16("encp.web_port", "Web port"),
  av_port1 = ProtoField.uint16("encp.av_port1", "AV port 1"),
  av_port2 = ProtoField.uint16("encp.av_port2", "AV port 2"),
  av_port3 = ProtoField.uint16("encp.av_port3", "AV port 3"),
  user_id = ProtoField.string("encp.user_id", "User ID"),
  credential = ProtoField.bytes("encp.credential", "Credential (scrambled)", base.SPACE),
  byte_value = ProtoField.uint8("encp.byte_value", "Byte value"),
  credential2 = ProtoField.bytes("encp.credential2", "Second credential (scrambled)", base.SPACE),
  text1 = ProtoField.string("encp.text1", "Text 1"),
  text2 = ProtoField.string("encp.text2", "Text 2"),
  unread = ProtoField.bytes("encp.unread", "Not read by clients"),
}
encp.fields = {}
for _, field in pairs(f) do table.insert(encp.fields, field) end

local short = ProtoExpert.new("encp.short", "Message ends inside a field",
                              expert.group.MALFORMED, expert.severity.ERROR)
local length_mismatch = ProtoExpert.new("encp.length_mismatch", "Length field differs from the datagram size",
                                        expert.group.MALFORMED, expert.severity.WARN)
encp.experts = { short, length_mismatch }

-- Reads fields in order from a position, and stops (marking the message
-- malformed) at the first one that would run past the datagram.
local Reader = {}
Reader.__index = Reader

local function reader(tvb, tree, pos)
  return setmetatable({ tvb = tvb, tree = tree, pos = pos, ok = true }, Reader)
end

function Reader:take(width)
  if not self.ok then return nil end
  if self.pos + width > self.tvb:len() then
    self.tree:add_proto_expert_info(short)
    self.ok = false
    return nil
  end
  local range = self.tvb(self.pos, width)
  self.pos = self.pos + width
  return range
end

function Reader:add(field, width)
  local range = self:take(width)
  if range then self.tree:add(field, range) end
  return range
end

function Reader:add_le(field, width)
  local range = self:take(width)
  if range then self.tree:add_le(field, range) end
  return range
end

-- A count byte and that many bytes of text, shown as one item.
function Reader:text(field)
  local count = self:take(1)
  if not count then return nil end
  local n = count:uint()
  if n == 0 then
    self.tree:add(field, count, "")
    return ""
  end
  local body = self:take(n)
  if not body then return nil end
  local text = body:string()
  self.tree:add(field, self.tvb(count:offset(), n + 1), text)
  return text
end

function Reader:addresses()
  local ip = self:add(f.ip, 4)
  self:add(f.subnet_mask, 4)
  self:add(f.gateway, 4)
  self:add(f.dns, 4)
  return ip
end

function Reader:pppoe()
  self:text(f.pppoe_text1)
  self:text(f.pppoe_text2)
  self:text(f.pppoe_text3)
  self:add(f.pppoe_value1, 4)
  self:add(f.pppoe_flag, 1)
  self:add(f.pppoe_value2, 4)
end

local port_fields = { [8] = f.web_port, [9] = f.av_port1, [10] = f.av_port2, [11] = f.av_port3 }

function Reader:options(version)
  while self.ok and self.pos < self.tvb:len() do
    local start = self.pos
    local header = self:take(2)
    if not header then return end
    local tag, length = header(0, 1):uint(), header(1, 1):uint()
    local value = self:take(length)
    if not value then return end
    local item = self.tree:add(f.option, self.tvb(start, length + 2))
    item:set_text(string.format("Option %d (%s), %d bytes", tag, option_names[tag] or "unknown", length))
    item:add(f.option_tag, header(0, 1))
    item:add(f.option_length, header(1, 1))
    if length > 0 then item:add(f.option_value, value) end
    if tag == 2 and length >= 1 then item:add(f.option_tag2, value(0, 1)) end
    -- Clients take the ports from protocol version 3 on.
    if port_fields[tag] and version >= 3 and length >= 2 then item:add_le(port_fields[tag], value(0, 2)) end
  end
end

local function dissect_search_reply(r, pinfo, version)
  r:add(f.mac, 6)
  r:add(f.network_type, 1)
  r:add(f.reserved, 1)
  local model = r:text(f.model)
  r:text(f.info_text2)
  r:text(f.info_text3)
  r:addresses()
  r:pppoe()
  r:add(f.trailer, 1)
  r:options(version)
  pinfo.cols.info:append(": " .. (model or "?") .. " at " .. tostring(pinfo.src))
end

-- Bytes 9 to 45, shared by every request addressed to one device.
local function dissect_addressed(r, pinfo)
  local mac = r:add(f.mac, 6)
  local kind = r:add(f.network_type, 1)
  r:add(f.user_id, 8)
  r:add(f.credential, 22)
  if mac then pinfo.cols.info:append(" to " .. tostring(mac:ether())) end
  return kind and kind:uint()
end

local function dissect_set_network(r, pinfo)
  local kind = dissect_addressed(r, pinfo)
  if kind == nil then return end
  pinfo.cols.info:append(", " .. (network_types[kind] or ("type " .. kind)))
  if kind == 1 then
    local ip = r:addresses()
    if ip then pinfo.cols.info:append(" " .. tostring(ip:ipv4())) end
  elseif kind == 2 then
    r:pppoe()
  elseif kind == 3 then
    r:text(f.text1)
    r:text(f.text2)
  end
end

local function dissect_credential(r, pinfo)
  dissect_addressed(r, pinfo)
  r:add(f.byte_value, 1)
  r:add(f.credential2, 22)
end

function encp.dissector(tvb, pinfo, root)
  if tvb:len() < 8 then return 0 end
  local magic = tvb(0, 4):string()
  if magic ~= "ADCT" and magic ~= "ENCP" then return 0 end
  pinfo.cols.protocol = "ENCP"
  local tree = root:add(encp, tvb())
  tree:add(f.magic, tvb(0, 4))
  tree:add(f.version, tvb(4, 1))
  local length_item = tree:add_le(f.length, tvb(5, 2))
  if tvb(5, 2):le_uint() ~= tvb:len() then length_item:add_proto_expert_info(length_mismatch) end
  local version = tvb(4, 1):uint()
  local code = tvb(7, 1):uint()
  local r = reader(tvb, tree, 8)

  if magic == "ADCT" then
    tree:add(f.command, tvb(7, 1))
    pinfo.cols.info = commands[code] or ("Command " .. code)
    r:add(f.selector, 1)
    if code == 4 then
      dissect_set_network(r, pinfo)
    elseif code == 5 then
      dissect_credential(r, pinfo)
    end
  elseif code == 5 then
    tree:add(f.code, tvb(7, 1))
    pinfo.cols.info = "Search reply"
    r:add(f.selector, 1)
    dissect_search_reply(r, pinfo, version)
  else
    local meaning = results[code] or "settings refused"
    tree:add(f.result, tvb(7, 1)):append_text(" (" .. meaning .. ")")
    pinfo.cols.info = string.format("Result %d: %s", code, meaning)
    -- Devices put their selector here too; the client checks it when present.
    if tvb:len() > 8 then r:add(f.selector, 1) end
  end
  if r.ok and r.pos < tvb:len() then tree:add(f.unread, tvb(r.pos)) end
  return tvb:len()
end

local udp = DissectorTable.get("udp.port")
udp:add(32153, encp)
udp:add(32154, encp)
