<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Tavrix 정보</source>
        <translation>About Tavrix</translation>
    </message>
    <message>
        <source>Tavrix 버전 1.0</source>
        <translation>Tavrix version 1.0</translation>
    </message>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CDBViewer</name>
    <message>
        <source>DB Viewer</source>
        <translation>DB Viewer</translation>
    </message>
</context>
<context>
    <name>CLoginDlg</name>
    <message>
        <source>Authentication</source>
        <translation>Authentication</translation>
    </message>
    <message>
        <source>&amp;User ID :</source>
        <translation>&amp;User ID :</translation>
    </message>
    <message>
        <source>&amp;Password :</source>
        <translation>&amp;Password :</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CNVTSettingDlg</name>
    <message>
        <source>NVT Setting</source>
        <translation>NVT Setting</translation>
    </message>
</context>
<context>
    <name>CTavrixDlg</name>
    <message>
        <source>Export list...</source>
        <translation>Export list...</translation>
    </message>
    <message>
        <source>&amp;Tavrix</source>
        <translation>&amp;Tavrix</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Monitoring</source>
        <translation>Monitoring</translation>
    </message>
    <message>
        <source>Web page</source>
        <translation>Web page</translation>
    </message>
    <message>
        <source>%1 accepted, %2 refused, %3 no answer</source>
        <translation>%1 accepted, %2 refused, %3 no answer</translation>
    </message>
    <message>
        <source>%1
%2 / %3 sent, %4</source>
        <translation>%1
%2 / %3 sent, %4</translation>
    </message>
    <message>
        <source>%1
%2 sent, %3, %4 verified</source>
        <translation>%1
%2 sent, %3, %4 verified</translation>
    </message>
    <message>
        <source>The adapter %1 is gone: nothing can be sent or heard through it, and nothing is sent through another adapter. Choose an adapter in &quot;Local network info.&quot;.</source>
        <translation>The adapter %1 is gone: nothing can be sent or heard through it, and nothing is sent through another adapter. Choose an adapter in &quot;Local network info.&quot;.</translation>
    </message>
    <message>
        <source>Adapter</source>
        <translation>Adapter</translation>
    </message>
    <message>
        <source>Adapter: unknown</source>
        <translation>Adapter: unknown</translation>
    </message>
    <message>
        <source>Adapter: %1</source>
        <translation>Adapter: %1</translation>
    </message>
</context>
<context>
    <name>DbViewerDialog</name>
    <message>
        <source>File DB</source>
        <translation>File DB</translation>
    </message>
    <message>
        <source>Address list file</source>
        <translation>Address list file</translation>
    </message>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>취소</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>LoginDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <source>&amp;ID :</source>
        <translation>&amp;ID :</translation>
    </message>
    <message>
        <source>&amp;Password :</source>
        <translation>&amp;Password :</translation>
    </message>
    <message>
        <source>&amp;Guest</source>
        <translation>&amp;Guest</translation>
    </message>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>취소</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>NvtSettingDialog</name>
    <message>
        <source>NVT Setting</source>
        <translation>NVT Setting</translation>
    </message>
    <message>
        <source>Network Seting</source>
        <translation>Network Seting</translation>
    </message>
    <message>
        <source>Change IP through &amp;file</source>
        <translation>Change IP through &amp;file</translation>
    </message>
    <message>
        <source>Change IP through &amp;UI</source>
        <translation>Change IP through &amp;UI</translation>
    </message>
    <message>
        <source>Address list file</source>
        <translation>Address list file</translation>
    </message>
    <message>
        <source>&amp;Select</source>
        <translation>&amp;Select</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Common</source>
        <translation>Common</translation>
    </message>
    <message>
        <source>S&amp;tatic</source>
        <translation>S&amp;tatic</translation>
    </message>
    <message>
        <source>&amp;DHCP</source>
        <translation>&amp;DHCP</translation>
    </message>
    <message>
        <source>Start IP &amp;Address</source>
        <translation>Start IP &amp;Address</translation>
    </message>
    <message>
        <source>End IP Address</source>
        <translation>End IP Address</translation>
    </message>
    <message>
        <source>Subnet &amp;mask</source>
        <translation>Subnet &amp;mask</translation>
    </message>
    <message>
        <source>&amp;Gateway</source>
        <translation>&amp;Gateway</translation>
    </message>
    <message>
        <source>Default D&amp;NS</source>
        <translation>Default D&amp;NS</translation>
    </message>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>취소</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Tavrix</name>
    <message>
        <source>Please select the list !</source>
        <translation>Please select the list !</translation>
    </message>
    <message>
        <source>Do you want to change?</source>
        <translation>Do you want to change?</translation>
    </message>
    <message>
        <source>A batch setting is still running.
Wait until it has ended.</source>
        <translation>A batch setting is still running.
Wait until it has ended.</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>MAC address</source>
        <translation>MAC address</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>Subnet mask</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>DNS</source>
        <translation>DNS</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Check</translation>
    </message>
    <message>
        <source>Admin ID is required</source>
        <translation>Admin ID is required</translation>
    </message>
    <message>
        <source>Admin Password is required</source>
        <translation>Admin Password is required</translation>
    </message>
    <message>
        <source>텍스트(*.txt);;모든파일(*.*)</source>
        <translation>Text files (*.txt);;All files (*.*)</translation>
    </message>
    <message>
        <source>The file path is too long (at most 255 characters).</source>
        <translation>The file path is too long (at most 255 characters).</translation>
    </message>
    <message>
        <source>Apply Changes. Are you sure?</source>
        <translation>Apply Changes. Are you sure?</translation>
    </message>
    <message>
        <source>Network setting failed !</source>
        <translation>Network setting failed !</translation>
    </message>
    <message>
        <source>Invalid Athentication Information.
Check the Administrator ID and Password !</source>
        <translation>Invalid Athentication Information.
Check the Administrator ID and Password !</translation>
    </message>
    <message>
        <source>Configuration Error !
Please check IP, netmask ro gateway and correct them.</source>
        <translation>Configuration Error !
Please check IP, netmask ro gateway and correct them.</translation>
    </message>
    <message>
        <source>Tavrix 정보(&amp;A)...</source>
        <translation>&amp;About Tavrix...</translation>
    </message>
    <message>
        <source>Model Name</source>
        <translation>Model Name</translation>
    </message>
    <message>
        <source>Web port</source>
        <translation>Web port</translation>
    </message>
    <message>
        <source>AV port</source>
        <translation>AV port</translation>
    </message>
    <message>
        <source>Delete ARP table.</source>
        <translation>Delete ARP table.</translation>
    </message>
    <message>
        <source>Failed to execute CreateProcess().</source>
        <translation>Failed to execute CreateProcess().</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Failed to delete ARP table.</source>
        <translation>Failed to delete ARP table.</translation>
    </message>
    <message>
        <source>Failed to export list.</source>
        <translation>Failed to export list.</translation>
    </message>
    <message>
        <source>No Network Adapters Found on System.</source>
        <translation>No Network Adapters Found on System.</translation>
    </message>
    <message>
        <source>NVT setting in progress</source>
        <translation>NVT setting in progress</translation>
    </message>
    <message>
        <source>NVT setting ended</source>
        <translation>NVT setting ended</translation>
    </message>
    <message>
        <source>IP address collision</source>
        <translation>IP address collision</translation>
    </message>
    <message>
        <source>Checking ip address ...</source>
        <translation>Checking ip address ...</translation>
    </message>
    <message>
        <source>IP address has changed.</source>
        <translation>IP address has changed.</translation>
    </message>
    <message>
        <source>IP address has changed. IP address collision</source>
        <translation>IP address has changed. IP address collision</translation>
    </message>
    <message>
        <source>Change refused: ID or password</source>
        <translation>Change refused: ID or password</translation>
    </message>
    <message>
        <source>Change refused by the device</source>
        <translation>Change refused by the device</translation>
    </message>
    <message>
        <source>No answer to the change</source>
        <translation>No answer to the change</translation>
    </message>
    <message>
        <source>UDP port %1 cannot be used (%2).
Another program may be holding it: close that program and try again.</source>
        <translation>UDP port %1 cannot be used (%2).
Another program may be holding it: close that program and try again.</translation>
    </message>
    <message>
        <source>
No setting was sent.</source>
        <translation>
No setting was sent.</translation>
    </message>
    <message>
        <source>The device list may be incomplete: %1 replies to the search were lost because the receive buffer was full.
Scan again to find the missing devices. To stop the losses, raise net.core.rmem_max (see the README).</source>
        <translation>The device list may be incomplete: %1 replies to the search were lost because the receive buffer was full.
Scan again to find the missing devices. To stop the losses, raise net.core.rmem_max (see the README).</translation>
    </message>
    <message>
        <source>Administrator rights are needed to delete the ARP table.</source>
        <translation>Administrator rights are needed to delete the ARP table.</translation>
    </message>
    <message>
        <source>All adapters</source>
        <translation>All adapters</translation>
    </message>
    <message>
        <source>MAC address answers from two IP addresses</source>
        <translation>MAC address answers from two IP addresses</translation>
    </message>
    <message>
        <source>Other network: nothing sent</source>
        <translation>Other network: nothing sent</translation>
    </message>
</context>
<context>
    <name>TavrixDialog</name>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>취소</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>NVT &amp;Scan</source>
        <translation>NVT &amp;Scan</translation>
    </message>
    <message>
        <source>Device list</source>
        <translation>Device list</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>&amp;Delete ARP table</source>
        <translation>&amp;Delete ARP table</translation>
    </message>
    <message>
        <source>NVT s&amp;etting</source>
        <translation>NVT s&amp;etting</translation>
    </message>
    <message>
        <source>&amp;Firmware update</source>
        <translation>&amp;Firmware update</translation>
    </message>
    <message>
        <source>Local network info.</source>
        <translation>Local network info.</translation>
    </message>
    <message>
        <source>IP address :</source>
        <translation>IP address :</translation>
    </message>
    <message>
        <source>Subnet mask :</source>
        <translation>Subnet mask :</translation>
    </message>
    <message>
        <source>Gateway :</source>
        <translation>Gateway :</translation>
    </message>
    <message>
        <source>DNS server :</source>
        <translation>DNS server :</translation>
    </message>
    <message>
        <source>NVT network info.</source>
        <translation>NVT network info.</translation>
    </message>
    <message>
        <source>Network type</source>
        <translation>Network type</translation>
    </message>
    <message>
        <source>Stati&amp;c</source>
        <translation>Stati&amp;c</translation>
    </message>
    <message>
        <source>D&amp;HCP</source>
        <translation>D&amp;HCP</translation>
    </message>
    <message>
        <source>PPP&amp;oE</source>
        <translation>PPP&amp;oE</translation>
    </message>
    <message>
        <source>Network setting</source>
        <translation>Network setting</translation>
    </message>
    <message>
        <source>&amp;MAC address :</source>
        <translation>&amp;MAC address :</translation>
    </message>
    <message>
        <source>&amp;IP address :</source>
        <translation>&amp;IP address :</translation>
    </message>
    <message>
        <source>S&amp;ubnet mask :</source>
        <translation>S&amp;ubnet mask :</translation>
    </message>
    <message>
        <source>&amp;Gateway :</source>
        <translation>&amp;Gateway :</translation>
    </message>
    <message>
        <source>D&amp;NS server :</source>
        <translation>D&amp;NS server :</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>&amp;Apply</translation>
    </message>
</context>
</TS>
