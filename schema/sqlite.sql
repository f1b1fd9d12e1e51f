-- The delivered database of 业务跟踪管理系统 (SQLite): every table the program
-- reads and writes, the indexes its lists and searches use, and the initial
-- content (the admin account, payment modes, sample products).
--
-- Conventions:
-- * Every table has the integer key KeyId. Tables whose rows the program numbers
--   itself (max(KeyId) + 1) declare a plain INTEGER PRIMARY KEY; tables whose
--   inserts leave KeyId out declare AUTOINCREMENT, so a key is never reused,
--   even after the newest row was deleted.
-- * Text columns compare without regard to case (COLLATE NOCASE): a user typed
--   as "Admin" finds the account "admin", and searches ignore case as well.
-- * Texts default to '' and numbers to 0, so that a partial insert leaves no
--   NULL where the lists sort, total or compare.
-- * Times are text "YYYY-MM-DD HH:MM:SS"; money is DOUBLE; quantities INTEGER.
-- * Declared type names are the ones the database layer reports back as text
--   (VARCHAR), integer (INTEGER) and floating (DOUBLE).

PRAGMA user_version = 1;

BEGIN;

CREATE TABLE CustomerData (
    KeyId         INTEGER NOT NULL PRIMARY KEY,
    CustomerName  VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Contact       VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Handler       VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Phone         VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Mobile        VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Fax           VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Email         VARCHAR(255) COLLATE NOCASE DEFAULT '',
    Address       VARCHAR(255) COLLATE NOCASE DEFAULT '',
    ZIPCode       VARCHAR(20)  COLLATE NOCASE DEFAULT '',
    Province      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    City          VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Homepage      VARCHAR(255) COLLATE NOCASE DEFAULT '',
    FDSource      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    FDLevel       VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Comment       TEXT         COLLATE NOCASE DEFAULT '',
    IsReseller    INTEGER DEFAULT 0,
    IsProvider    INTEGER DEFAULT 0,
    Category      VARCHAR(50)  COLLATE NOCASE DEFAULT '直接客户',
    CustomerClass INTEGER DEFAULT 0,
    ClassPath     VARCHAR(255) COLLATE NOCASE DEFAULT '未分类/',
    RegTime       VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    LastTime      VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    -- The sum of the customer's order amounts, kept by the triggers on
    -- OrderData below, so that the total of a list reads one number per
    -- customer instead of every order.
    FDTotal       DOUBLE DEFAULT 0
);
-- The customer and supplier lists: "IsProvider < 1" / "IsProvider=1" ordered by
-- LastTime descending, read in index order with the flag tested in the index;
-- a large class of the tree is listed the same way, its class tested in the
-- index too (see docs/database.md). FDTotal at the end makes the total of a
-- list a scan of this index alone, without reading the customer rows.
CREATE INDEX CustomerData_LastTimeClass ON CustomerData (LastTime, IsProvider, CustomerClass, FDTotal);
CREATE INDEX CustomerData_CustomerClass ON CustomerData (CustomerClass);
CREATE INDEX CustomerData_ClassPath ON CustomerData (ClassPath);
-- The report's sales by customer class and source read every customer's two
-- group columns from this index alone, not from the wide customer rows.
CREATE INDEX CustomerData_ClassSource ON CustomerData (ClassPath, FDSource);
CREATE INDEX CustomerData_Handler ON CustomerData (Handler);
-- Duplicate tests of the customer form.
CREATE INDEX CustomerData_Phone ON CustomerData (Phone);
CREATE INDEX CustomerData_Mobile ON CustomerData (Mobile);

CREATE TABLE CustomerClass (
    KeyId     INTEGER NOT NULL PRIMARY KEY,
    ParentId  INTEGER DEFAULT 0,
    Name      VARCHAR(100) COLLATE NOCASE DEFAULT '',
    ClassPath VARCHAR(255) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX CustomerClass_ParentId ON CustomerClass (ParentId);

CREATE TABLE StockClass (
    KeyId     INTEGER NOT NULL PRIMARY KEY,
    ParentId  INTEGER DEFAULT 0,
    Name      VARCHAR(100) COLLATE NOCASE DEFAULT '',
    ClassPath VARCHAR(255) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX StockClass_ParentId ON StockClass (ParentId);

CREATE TABLE ContactData (
    KeyId        INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerId   INTEGER DEFAULT 0,
    CustomerName VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Name         VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Mobile       VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Phone        VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Email        VARCHAR(255) COLLATE NOCASE DEFAULT '',
    ICQ          VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    NetCodeClass VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    NetCode      VARCHAR(100) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX ContactData_CustomerId ON ContactData (CustomerId);

CREATE TABLE OrderData (
    KeyId        INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerId   INTEGER DEFAULT 0,
    CustomerName VARCHAR(100) COLLATE NOCASE DEFAULT '',
    ProductName  VARCHAR(100) COLLATE NOCASE DEFAULT '',
    SerialCode   VARCHAR(255) COLLATE NOCASE DEFAULT '',
    Handler      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Price        DOUBLE DEFAULT 0,
    Quantity     INTEGER DEFAULT 0,
    Carriage     DOUBLE DEFAULT 0,
    FDTotal      DOUBLE DEFAULT 0,
    Bank         VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    FDTime       VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    Comment      TEXT         COLLATE NOCASE DEFAULT '',
    FDId         INTEGER DEFAULT 0
);
-- A customer's orders; with the amount in the index, the order total of a
-- list never reads the order rows themselves.
CREATE INDEX OrderData_CustomerTotal ON OrderData (CustomerId, FDTotal);
-- An ordinary user's order list ("Handler=... order by KeyId desc") walks this
-- index in key order; the user's total reads FDTotal from it without touching
-- the table.
CREATE INDEX OrderData_Handler ON OrderData (Handler, KeyId, FDTotal);
CREATE INDEX OrderData_FDTime ON OrderData (FDTime);
CREATE INDEX OrderData_FDId ON OrderData (FDId);

-- CustomerData.FDTotal follows every write to OrderData, whoever makes it (the
-- order form, an import, the sqlite3 shell). A missing amount counts as 0.
CREATE TRIGGER OrderData_TotalInsert AFTER INSERT ON OrderData
BEGIN
    UPDATE CustomerData SET FDTotal = coalesce(FDTotal, 0) + coalesce(NEW.FDTotal, 0)
        WHERE KeyId = NEW.CustomerId;
END;
CREATE TRIGGER OrderData_TotalDelete AFTER DELETE ON OrderData
BEGIN
    UPDATE CustomerData SET FDTotal = coalesce(FDTotal, 0) - coalesce(OLD.FDTotal, 0)
        WHERE KeyId = OLD.CustomerId;
END;
CREATE TRIGGER OrderData_TotalUpdate AFTER UPDATE OF FDTotal, CustomerId ON OrderData
    WHEN OLD.FDTotal IS NOT NEW.FDTotal OR OLD.CustomerId IS NOT NEW.CustomerId
BEGIN
    UPDATE CustomerData SET FDTotal = coalesce(FDTotal, 0) - coalesce(OLD.FDTotal, 0)
        WHERE KeyId = OLD.CustomerId;
    UPDATE CustomerData SET FDTotal = coalesce(FDTotal, 0) + coalesce(NEW.FDTotal, 0)
        WHERE KeyId = NEW.CustomerId;
END;

CREATE TABLE PurchaseData (
    KeyId        INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerId   INTEGER DEFAULT 0,
    CustomerName VARCHAR(100) COLLATE NOCASE DEFAULT '',
    StockName    VARCHAR(100) COLLATE NOCASE DEFAULT '',
    SerialCode   VARCHAR(255) COLLATE NOCASE DEFAULT '',
    Price        DOUBLE DEFAULT 0,
    Quantity     INTEGER DEFAULT 0,
    Carriage     DOUBLE DEFAULT 0,
    FDTotal      DOUBLE DEFAULT 0,
    FDTime       VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    Comment      TEXT         COLLATE NOCASE DEFAULT ''
);
CREATE INDEX PurchaseData_CustomerId ON PurchaseData (CustomerId);
-- The month search of the purchase list; FDTotal at the end makes the total
-- of the month, and of the whole list, a scan of this index alone.
CREATE INDEX PurchaseData_FDTime ON PurchaseData (FDTime, FDTotal);

CREATE TABLE StockChance (
    KeyId        INTEGER NOT NULL PRIMARY KEY,
    CustomerId   INTEGER DEFAULT 0,
    CustomerName VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Name         VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Price        DOUBLE DEFAULT 0,
    Comment      TEXT         COLLATE NOCASE DEFAULT '',
    StockClass   INTEGER DEFAULT 0,
    ClassPath    VARCHAR(255) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX StockChance_CustomerId ON StockChance (CustomerId);
CREATE INDEX StockChance_StockClass ON StockChance (StockClass);
-- No index on ClassPath: the tree lists a class by its key, and a class
-- rename or move rewrites ClassPath of many rows at once.

CREATE TABLE TraceData (
    KeyId        INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerId   INTEGER DEFAULT 0,
    CustomerName VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Contact      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Handler      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Title        VARCHAR(255) COLLATE NOCASE DEFAULT '',
    FDText       TEXT         COLLATE NOCASE DEFAULT '',
    FDTime       VARCHAR(19)  COLLATE NOCASE DEFAULT ''
);
CREATE INDEX TraceData_CustomerId ON TraceData (CustomerId);
CREATE INDEX TraceData_Handler ON TraceData (Handler, KeyId);
CREATE INDEX TraceData_FDTime ON TraceData (FDTime);

CREATE TABLE TrackPlan (
    KeyId        INTEGER PRIMARY KEY AUTOINCREMENT,
    CustomerId   INTEGER DEFAULT 0,
    CustomerName VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Contact      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Handler      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Title        VARCHAR(255) COLLATE NOCASE DEFAULT '',
    PlanTime     VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    Comment      TEXT         COLLATE NOCASE DEFAULT ''
);
CREATE INDEX TrackPlan_CustomerId ON TrackPlan (CustomerId);
CREATE INDEX TrackPlan_PlanTime ON TrackPlan (PlanTime, KeyId);
CREATE INDEX TrackPlan_Handler ON TrackPlan (Handler, PlanTime, KeyId);

CREATE TABLE UserData (
    KeyId         INTEGER PRIMARY KEY AUTOINCREMENT,
    UserName      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    UserPass      VARCHAR(50)  DEFAULT '',
    Privilege     TEXT         COLLATE NOCASE DEFAULT '',
    FullName      VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Department    VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Position      VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Phone         VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Mobile        VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Email         VARCHAR(100) COLLATE NOCASE DEFAULT '',
    QQ            VARCHAR(50) COLLATE NOCASE DEFAULT '',
    JoinDate      VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Remarks       TEXT COLLATE NOCASE DEFAULT '',
    Dimission     INTEGER DEFAULT 0,
    DimissionDate VARCHAR(10) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX UserData_UserName ON UserData (UserName);

CREATE TABLE ProductData (
    KeyId   INTEGER PRIMARY KEY AUTOINCREMENT,
    Name    VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Code    VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Size    VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Unit    VARCHAR(20) COLLATE NOCASE DEFAULT '',
    Price   DOUBLE DEFAULT 0,
    Remarks TEXT COLLATE NOCASE DEFAULT ''
);

-- Office supplies and their movements: stock is kept on the item and changed
-- in the same transaction as the movement that changes it.
CREATE TABLE Appliance (
    KeyId    INTEGER PRIMARY KEY AUTOINCREMENT,
    Name     VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Size     VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Unit     VARCHAR(20)  COLLATE NOCASE DEFAULT '',
    Stock    INTEGER DEFAULT 0,
    MinStock INTEGER DEFAULT 0,
    Remarks  TEXT         COLLATE NOCASE DEFAULT ''
);
CREATE TABLE ApplianceMove (
    KeyId       INTEGER PRIMARY KEY AUTOINCREMENT,
    ApplianceId INTEGER DEFAULT 0,
    MoveTime    VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    Kind        VARCHAR(10)  COLLATE NOCASE DEFAULT '',
    Quantity    INTEGER DEFAULT 0,
    Person      VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Handler     VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Remarks     TEXT         COLLATE NOCASE DEFAULT ''
);
CREATE INDEX ApplianceMove_Appliance ON ApplianceMove (ApplianceId, MoveTime, KeyId);

-- One wage sheet per month: a row per staff member and month.
CREATE TABLE WageData (
    KeyId     INTEGER PRIMARY KEY AUTOINCREMENT,
    WageMonth VARCHAR(7)   COLLATE NOCASE DEFAULT '',
    UserName  VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    BasePay   DOUBLE DEFAULT 0,
    Bonus     DOUBLE DEFAULT 0,
    Allowance DOUBLE DEFAULT 0,
    Deduction DOUBLE DEFAULT 0,
    Insurance DOUBLE DEFAULT 0,
    Tax       DOUBLE DEFAULT 0,
    NetPay    DOUBLE DEFAULT 0,
    Remarks   TEXT         COLLATE NOCASE DEFAULT ''
);
CREATE UNIQUE INDEX WageData_MonthUser ON WageData (WageMonth, UserName);
CREATE INDEX WageData_User ON WageData (UserName, WageMonth);

-- Text-message campaigns: a task (mass, timed, from a spreadsheet, or a large
-- filtered send) and one row per number with its own state, written before
-- and after each send so a restart never sends a number twice.
CREATE TABLE SmsTask (
    KeyId   INTEGER PRIMARY KEY AUTOINCREMENT,
    Kind    VARCHAR(10)  COLLATE NOCASE DEFAULT '',
    Title   VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Body    TEXT         COLLATE NOCASE DEFAULT '',
    Recipients TEXT      COLLATE NOCASE DEFAULT '',
    SendAt  VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    State   VARCHAR(10)  COLLATE NOCASE DEFAULT '',
    Created VARCHAR(19)  COLLATE NOCASE DEFAULT '',
    Creator VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Total   INTEGER DEFAULT 0,
    Sent    INTEGER DEFAULT 0,
    Failed  INTEGER DEFAULT 0,
    Skipped INTEGER DEFAULT 0
);
CREATE INDEX SmsTask_Kind ON SmsTask (Kind, KeyId);
CREATE INDEX SmsTask_Due ON SmsTask (State, SendAt);
CREATE TABLE SmsTaskItem (
    KeyId      INTEGER PRIMARY KEY AUTOINCREMENT,
    TaskId     INTEGER DEFAULT 0,
    Mobile     VARCHAR(20)  COLLATE NOCASE DEFAULT '',
    Text       TEXT         COLLATE NOCASE DEFAULT '',
    CustomerId INTEGER DEFAULT 0,
    Name       VARCHAR(100) COLLATE NOCASE DEFAULT '',
    State      VARCHAR(10)  COLLATE NOCASE DEFAULT '',
    Reply      TEXT         COLLATE NOCASE DEFAULT '',
    SentTime   VARCHAR(19)  COLLATE NOCASE DEFAULT ''
);
-- One row per number and task; the sender reads a task's waiting numbers in
-- key order from the second index.
CREATE UNIQUE INDEX SmsTaskItem_TaskMobile ON SmsTaskItem (TaskId, Mobile);
CREATE INDEX SmsTaskItem_TaskState ON SmsTaskItem (TaskId, State, KeyId);

-- Daily work (DailyWork.so): tasks one user gives another, with their notes;
-- daily logs and plans; suggestions; bulletins and who has read them; leave
-- requests and their answers.
CREATE TABLE WorkerTask (
    KeyId    INTEGER PRIMARY KEY AUTOINCREMENT,
    Title    VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Content  TEXT COLLATE NOCASE DEFAULT '',
    Assigner VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Assignee VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Priority INTEGER DEFAULT 0,
    State    VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Created  VARCHAR(19) COLLATE NOCASE DEFAULT '',
    DueDate  VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Finished VARCHAR(19) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX WorkerTask_Assignee ON WorkerTask (Assignee, State, DueDate);
CREATE INDEX WorkerTask_Assigner ON WorkerTask (Assigner, State, DueDate);
CREATE INDEX WorkerTask_Due ON WorkerTask (State, DueDate);
CREATE TABLE WorkerTaskNote (
    KeyId   INTEGER PRIMARY KEY AUTOINCREMENT,
    TaskId  INTEGER DEFAULT 0,
    Author  VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Written VARCHAR(19) COLLATE NOCASE DEFAULT '',
    Text    TEXT COLLATE NOCASE DEFAULT ''
);
CREATE INDEX WorkerTaskNote_Task ON WorkerTaskNote (TaskId, KeyId);
CREATE TABLE WorkLog (
    KeyId    INTEGER PRIMARY KEY AUTOINCREMENT,
    Kind     VARCHAR(10) COLLATE NOCASE DEFAULT '',
    UserName VARCHAR(50) COLLATE NOCASE DEFAULT '',
    WorkDate VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Title    VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Content  TEXT COLLATE NOCASE DEFAULT '',
    Written  VARCHAR(19) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX WorkLog_User ON WorkLog (Kind, UserName, WorkDate);
CREATE INDEX WorkLog_Date ON WorkLog (Kind, WorkDate);
CREATE TABLE Advice (
    KeyId     INTEGER PRIMARY KEY AUTOINCREMENT,
    Author    VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Anonymous INTEGER DEFAULT 0,
    Title     VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Content   TEXT COLLATE NOCASE DEFAULT '',
    Written   VARCHAR(19) COLLATE NOCASE DEFAULT '',
    Reply     TEXT COLLATE NOCASE DEFAULT '',
    Replier   VARCHAR(50) COLLATE NOCASE DEFAULT '',
    ReplyTime VARCHAR(19) COLLATE NOCASE DEFAULT ''
);
CREATE TABLE Bulletin (
    KeyId     INTEGER PRIMARY KEY AUTOINCREMENT,
    Title     VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Content   TEXT COLLATE NOCASE DEFAULT '',
    Publisher VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Published VARCHAR(19) COLLATE NOCASE DEFAULT '',
    ValidFrom VARCHAR(10) COLLATE NOCASE DEFAULT '',
    ValidTo   VARCHAR(10) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX Bulletin_Valid ON Bulletin (ValidTo, ValidFrom);
CREATE TABLE BulletinRead (
    KeyId      INTEGER PRIMARY KEY AUTOINCREMENT,
    BulletinId INTEGER DEFAULT 0,
    UserName   VARCHAR(50) COLLATE NOCASE DEFAULT '',
    ReadTime   VARCHAR(19) COLLATE NOCASE DEFAULT ''
);
CREATE UNIQUE INDEX BulletinRead_User ON BulletinRead (BulletinId, UserName);
CREATE TABLE Holiday (
    KeyId      INTEGER PRIMARY KEY AUTOINCREMENT,
    UserName   VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Kind       VARCHAR(20) COLLATE NOCASE DEFAULT '',
    FromDate   VARCHAR(16) COLLATE NOCASE DEFAULT '',
    ToDate     VARCHAR(16) COLLATE NOCASE DEFAULT '',
    Reason     TEXT COLLATE NOCASE DEFAULT '',
    Applied    VARCHAR(19) COLLATE NOCASE DEFAULT '',
    State      VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Approver   VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Answer     TEXT COLLATE NOCASE DEFAULT '',
    AnswerTime VARCHAR(19) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX Holiday_User ON Holiday (UserName, FromDate);
CREATE INDEX Holiday_State ON Holiday (State, FromDate);
-- Mass e-mail (MailUI.so): a task and one row per address with its own
-- state, written before and after each send; and the received messages, one
-- row per message kept under mailrecv/.
CREATE TABLE MailTask (
    KeyId       INTEGER PRIMARY KEY AUTOINCREMENT,
    Title       VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Subject     VARCHAR(200) COLLATE NOCASE DEFAULT '',
    Body        TEXT COLLATE NOCASE DEFAULT '',
    Attachments TEXT COLLATE NOCASE DEFAULT '',
    Recipients  TEXT COLLATE NOCASE DEFAULT '',
    State       VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Created     VARCHAR(19) COLLATE NOCASE DEFAULT '',
    Creator     VARCHAR(50) COLLATE NOCASE DEFAULT '',
    Total       INTEGER DEFAULT 0,
    Sent        INTEGER DEFAULT 0,
    Failed      INTEGER DEFAULT 0,
    Skipped     INTEGER DEFAULT 0
);
CREATE TABLE MailTaskItem (
    KeyId      INTEGER PRIMARY KEY AUTOINCREMENT,
    TaskId     INTEGER DEFAULT 0,
    Address    VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Name       VARCHAR(100) COLLATE NOCASE DEFAULT '',
    CustomerId INTEGER DEFAULT 0,
    Subject    VARCHAR(200) COLLATE NOCASE DEFAULT '',
    Body       TEXT COLLATE NOCASE DEFAULT '',
    State      VARCHAR(10) COLLATE NOCASE DEFAULT '',
    Reply      TEXT COLLATE NOCASE DEFAULT '',
    SentTime   VARCHAR(19) COLLATE NOCASE DEFAULT ''
);
CREATE UNIQUE INDEX MailTaskItem_TaskAddress ON MailTaskItem (TaskId, Address);
CREATE INDEX MailTaskItem_TaskState ON MailTaskItem (TaskId, State, KeyId);
CREATE TABLE MailRecv (
    KeyId       INTEGER PRIMARY KEY AUTOINCREMENT,
    Account     VARCHAR(100) COLLATE NOCASE DEFAULT '',
    ServerKey   VARCHAR(200) COLLATE NOCASE DEFAULT '',
    Sender      VARCHAR(100) COLLATE NOCASE DEFAULT '',
    SenderName  VARCHAR(100) COLLATE NOCASE DEFAULT '',
    Subject     VARCHAR(200) COLLATE NOCASE DEFAULT '',
    MailDate    VARCHAR(19) COLLATE NOCASE DEFAULT '',
    Received    VARCHAR(19) COLLATE NOCASE DEFAULT '',
    FileName    VARCHAR(255) COLLATE NOCASE DEFAULT '',
    ByteSize    INTEGER DEFAULT 0,
    AttachCount INTEGER DEFAULT 0,
    CustomerId  INTEGER DEFAULT 0,
    ContactId   INTEGER DEFAULT 0,
    Seen        INTEGER DEFAULT 0
);
CREATE UNIQUE INDEX MailRecv_ServerKey ON MailRecv (Account, ServerKey);
CREATE INDEX MailRecv_Date ON MailRecv (MailDate, KeyId);

CREATE TABLE PayMode (
    KeyId INTEGER PRIMARY KEY AUTOINCREMENT,
    Name  VARCHAR(50) COLLATE NOCASE DEFAULT ''
);

CREATE TABLE CustomizeField (
    KeyId        INTEGER PRIMARY KEY AUTOINCREMENT,
    TableName    VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    FieldName    VARCHAR(50)  COLLATE NOCASE DEFAULT '',
    Caption      VARCHAR(100) COLLATE NOCASE DEFAULT '',
    DataType     INTEGER DEFAULT 200,
    Nullable     INTEGER DEFAULT 1,
    DefaultValue VARCHAR(255) COLLATE NOCASE DEFAULT '',
    ForeignKey   TEXT         COLLATE NOCASE DEFAULT '',
    Description  VARCHAR(255) COLLATE NOCASE DEFAULT ''
);
CREATE INDEX CustomizeField_TableName ON CustomizeField (TableName);

-- The schema's version: start-up upgrades an older database step by step
-- (src/db/SchemaUpgrade.cpp) and refuses a newer one. A change of this script
-- adds an upgrade step and raises the number.
CREATE TABLE SchemaVersion (Version INTEGER NOT NULL);
INSERT INTO SchemaVersion (Version) VALUES (5);

-- The initial account; the login dialog's hint names it. The password stands
-- as typed until its first login, which rewrites it as a salted Argon2id hash
-- (src/base/PasswordHash). admin passes every check anyway; the text lists the named
-- rights so that a copy of the row for another user starts with all of them.
INSERT INTO UserData (UserName, UserPass, Privilege)
    VALUES ('admin', 'admin', '添加订单,发放工资');

INSERT INTO PayMode (Name) VALUES ('现金');
INSERT INTO PayMode (Name) VALUES ('银行转账');
INSERT INTO PayMode (Name) VALUES ('支票');
INSERT INTO PayMode (Name) VALUES ('支付宝');
INSERT INTO PayMode (Name) VALUES ('微信支付');

INSERT INTO ProductData (Name) VALUES ('标准版');
INSERT INTO ProductData (Name) VALUES ('专业版');
INSERT INTO ProductData (Name) VALUES ('短信服务');

COMMIT;
