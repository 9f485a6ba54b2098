-- What every company database starts with: message texts, system
-- parameters, programs, the catalogues the server's engine reads (checks,
-- lookups, named procedures, update rules), user-defined field definitions,
-- colour rules, voucher formats, number sizes, currencies and phrases.
-- Users, groups, rights and companies are added by whoever creates the
-- database (the demo builder, a test fixture), since they differ per site.

-- ------------------------------------------------------------------ messages
-- Kind E is also used for questions (kind T). Codes of the 9xxxxx range are
-- the server's own refusals; "%s" marks where the caller's arguments go.
INSERT INTO ADMMG (MG001, MG002, MG003, MG004, MG005) VALUES
('E', '000001', '%s 资料不存在!', '%s 資料不存在!', '%s does not exist!'),
('W', '000001', '执行查询时发生错误, 请检查查询条件!', '執行查詢時發生錯誤, 請檢查查詢條件!', 'The query failed; please check its conditions!'),
('C', '000001', '确定要删除此笔资料吗?', '確定要刪除此筆資料嗎?', 'Delete this record?'),
('D', '000001', '新增的资料尚未保存, 是否保存?', '新增的資料尚未保存, 是否保存?', 'The new record has not been saved. Save it?'),
('E', '000002', '%s 资料已存在!', '%s 資料已存在!', '%s already exists!'),
('C', '000002', '确定要放弃更改吗?', '確定要放棄更改嗎?', 'Discard the changes?'),
('D', '000002', '更改的资料尚未保存, 是否保存?', '更改的資料尚未保存, 是否保存?', 'The changes have not been saved. Save them?'),
('E', '000003', '%s 不可空白!', '%s 不可空白!', '%s must not be empty!'),
('E', '000004', '您没有执行本作业的权限!', '您沒有執行本作業的權限!', 'You have no right to run this program!'),
('W', '000004', '%s 资料不存在, 是否继续?', '%s 資料不存在, 是否繼續?', '%s does not exist. Continue?'),
('C', '000004', '确定要放弃新增吗?', '確定要放棄新增嗎?', 'Discard the new record?'),
('E', '000005', '日期不正确!', '日期不正確!', 'The date is not valid!'),
('W', '000005', '%s 资料已存在, 是否继续?', '%s 資料已存在, 是否繼續?', '%s already exists. Continue?'),
('E', '000007', '删除失败!', '刪除失敗!', 'The record could not be deleted!'),
('E', '000008', '保存失败!', '保存失敗!', 'The record could not be saved!'),
('E', '000032', '%s', '%s', '%s'),
('E', '000033', '无法取得下一个单号!', '無法取得下一個單號!', 'The next document number could not be obtained!'),
('E', '000038', '登录参数不完整, 作业无法启动!', '登錄參數不完整, 作業無法啟動!', 'The login information is incomplete; the program cannot start!'),
('E', '100002', '月份不正确!', '月份不正確!', 'The month is not valid!'),
('E', '100006', '%s 必须大于零!', '%s 必須大於零!', '%s must be greater than zero!'),
('E', '100013', '单据日期不可早于关账年月!', '單據日期不可早於關賬年月!', 'The date lies before the closed period!'),
('E', '100027', '%s 不可早于原单据日期!', '%s 不可早於原單據日期!', '%s must not lie before the date of the source document!'),
('E', '100033', '验退数量不可大于可退数量!', '驗退數量不可大於可退數量!', 'The quantity returned exceeds the quantity available for return!'),
('W', '100079', '%s', '%s', '%s'),
('E', '100174', '该供应商已停止交易!', '該供應商已停止交易!', 'This supplier is closed!'),
('E', '100187', '时间不正确!', '時間不正確!', 'The time is not valid!'),
('E', '100280', '%s 不可大于 %s!', '%s 不可大於 %s!', '%s must not exceed %s!'),
('E', '100288', '%s 不可小于 %s!', '%s 不可小於 %s!', '%s must not be below %s!'),
('E', '100397', '验退包装数量不可大于可退包装数量!', '驗退包裝數量不可大於可退包裝數量!', 'The package quantity returned exceeds the package quantity available for return!'),
('E', '200135', '该供应商已暂停交易!', '該供應商已暫停交易!', 'Trading with this supplier is suspended!'),
('E', '200570', '您没有更改此资料的权限!', '您沒有更改此資料的權限!', 'You have no right to change this record!'),
('E', '200571', '您没有更改以下资料的权限: %s', '您沒有更改以下資料的權限: %s', 'You have no right to change these records: %s'),
('E', '200820', '年月不正确!', '年月不正確!', 'The year and month are not valid!'),
('S', '900001', '您没有在作业 %s 中新增资料的权限!', '您沒有在作業 %s 中新增資料的權限!', 'You have no right to add records in program %s!'),
('S', '900002', '您没有在作业 %s 中更改此笔资料的权限!', '您沒有在作業 %s 中更改此筆資料的權限!', 'You have no right to change this record in program %s!'),
('S', '900003', '您没有在作业 %s 中删除此笔资料的权限!', '您沒有在作業 %s 中刪除此筆資料的權限!', 'You have no right to delete this record in program %s!'),
('S', '900004', '来源单据 %s 不存在!', '來源單據 %s 不存在!', 'The source line %s does not exist!'),
('S', '900005', '来源单据 %s 的验退数量合计 %s 超过原数量 %s!', '來源單據 %s 的驗退數量合計 %s 超過原數量 %s!', 'Returns of source line %s would total %s, more than its quantity %s!'),
('S', '900006', '来源单据 %s 的验退包装数量合计 %s 超过原包装数量 %s!', '來源單據 %s 的驗退包裝數量合計 %s 超過原包裝數量 %s!', 'Returns of source line %s would total %s packages, more than its %s!'),
('S', '900007', '资料属于公司 %s, 不属于目前登录的公司!', '資料屬於公司 %s, 不屬於目前登錄的公司!', 'The record belongs to company %s, not to the company you logged in to!'),
('S', '900008', '来源别 %s 不正确, 只可为 1 或 2!', '來源別 %s 不正確, 只可為 1 或 2!', 'Source kind %s is not valid; it must be 1 or 2!'),
('S', '900009', '验退数量必须大于零!', '驗退數量必須大於零!', 'The quantity returned must be greater than zero!'),
('S', '900010', '此笔资料已被其他用户更改或删除, 请重新查询!', '此筆資料已被其他用戶更改或刪除, 請重新查詢!', 'Another user has changed or deleted this record; please query it again!');

-- --------------------------------------------------------- system parameters
INSERT INTO ADMSP (SP001, SP002, SP003, SP004) VALUES
('', 'SYS001', '1', '日期格式 (1 年/月/日)'),
('', 'SYS002', '/', '日期分隔符'),
('', 'SYS003', 'RMB', '本国币别'),
('', 'SYS011', '200001', '关账年月'),
('', 'SYS024', '3', '包装数量输入 (3 启用)'),
('', 'SYS053', '1', '条码输入方式'),
('', 'SYS054', '1', '客户代号输入方式'),
('', 'SYS055', '1', '供应商代号输入方式'),
('', 'SYS056', '1', '成本中心输入方式'),
('', 'SYS060', 'N', '使用打印默认值'),
('', 'SYS068', '3', '数量小数位数'),
('', 'SYS150', 'Y', '查询使用栏位表达式'),
('', 'SYS151', '500', '查询默认笔数'),
('', 'SYS174', 'N', '打印设定存放位置'),
('', 'ZKM002', '示范公司', '公司简称'),
('', 'MAX_RECORD', '40', '每次取回笔数');

-- ------------------------------------------------------------------ programs
INSERT INTO ADMMB (MB001, MB002, MB003, MB004, MB005, MB006, MB007, MB008, MB009, MB010,
                   MB011, MB012, MB013, MB014, MB015, MB016, MB017, MB018) VALUES
('RTNI01', '委外验退作业', 'RTNR01', 'MOC', 'I', '880624-0.00.01', 'RTNI01C.so', 'RTNI01.hlp', 'N', 'E',
 'Subcontract Inspection Returns', '委外驗退作業', '', 'MOCTJ', 'TJ002,TJ003,TJ004,TJ005',
 'SELECT MOCTJ.COMPANY, MOCTJ.TJ001, PURMA.MA002 AS TJ001C, MOCTJ.TJ002, MOCTJ.TJ003, MOCTJ.TJ004, MOCTJ.TJ005, MOCTJ.TJ006, MOCTJ.TJ007, MOCTJ.TJ008, MOCTJ.TJ009, INVMB.MB001 AS TJ101C, INVMB.MB002 AS TJ102C, INVMB.MB003 AS TJ103C FROM MOCTJ',
 '', ''),
('RTNR01', '委外验退单打印', '', 'MOC', 'R', '880624-0.00.01', 'RTNR01C.so', 'RTNR01.hlp', 'N', 'W',
 'Subcontract Return Voucher', '委外驗退單打印', '', '', '', '', '', ''),
('PURI01', '供应商资料建立作业', '', 'PUR', 'I', '1.0', 'PURI01C.so', '', 'N', 'E',
 'Suppliers', '供應商資料建立作業', '', 'PURMA', 'MA001', '', '', ''),
('INVI01', '品号资料建立作业', '', 'INV', 'I', '1.0', 'INVI01C.so', '', 'N', 'E',
 'Items', '品號資料建立作業', '', 'INVMB', 'MB001', '', '', '');

-- ----------------------------------------------------------------- catalogues
-- Checks: the answer columns are in the positions the programs map them to.
INSERT INTO ADMCK (CK001, CK002, CK006, CK004, CK005, CK003) VALUES
('PURMA', '01', 1, 'MA002,MA003,MA004,MA005,MA006,MA007,MA008,MA009,MA010,MA011,MA012,MA013,MA014', '供应商',
 'SELECT MA002, MA003, MA004, MA005, MA006, MA007, MA008, MA009, MA010, MA011, MA012, MA013, MA014 FROM PURMA WHERE MA001 = ?1'),
('COPMA', '01', 1, 'MA002,MA003,MA014', '客户',
 'SELECT MA002, MA003, MA014 FROM COPMA WHERE MA001 = ?1'),
('ACTMA', '01', 1, 'MA002,MA003', '会计科目',
 'SELECT MA002, MA003 FROM ACTMA WHERE MA001 = ?1'),
('INVMB', '01', 1, 'MB002,MB003,MB004,MB005,MB006', '品号',
 'SELECT MB002, MB003, MB004, MB005, MB006 FROM INVMB WHERE MB001 = ?1'),
('INVMB', '12', 1, 'MB008,MB009', '品号文档',
 'SELECT MB008, MB009 FROM INVMB WHERE MB001 = ?1 AND MB008 <> '''''),
('CMSMV', '07', 1, 'MV002,MV003', '文档',
 'SELECT MV002, MV003 FROM CMSMV WHERE MV001 = ?1 AND MV002 <> '''''),
('INVMH', '01', 1, 'MH002', '条码',
 'SELECT MH002 FROM INVMH WHERE MH001 = ?1'),
('CMSMF', '01', 1, 'MF002,MF003,MF004,MF005,MF006', '币别',
 'SELECT MF002, MF003, MF004, MF005, MF006 FROM CMSMF WHERE MF001 = ?1'),
('ADMMB', '06', 1, 'MB002,MB003,MB004,MB005,MB006,MB007,MB008,MB009,MB010,MB011', '作业',
 'SELECT MB002, MB003, MB004, MB005, MB006, MB007, MB008, MB009, MB010, MB011 FROM ADMMB WHERE MB001 = ?1'),
('NUMFD', '01', 1, 'FD002,FD003,FD004', '数字栏位长度',
 'SELECT FD002, FD003, FD004 FROM NUMFD WHERE FD001 = ?1 ORDER BY FD002'),
('ADMMD', '03', 1, 'MD002,MD003,MD004', '自定义栏位',
 'SELECT MD002, MD003, MD004 FROM ADMMD WHERE MD001 = ?1 ORDER BY MD002'),
('F2LINK', '01', 3, 'LK004,LK005', '开窗连结',
 'SELECT LK004, LK005 FROM F2LINK WHERE LK001 = ?1 AND LK002 = ?2 AND LK003 = ?3'),
('DOCUS', '01', 3, 'NCONDITION,CREATE_DATE', '查询方案',
 'SELECT NCONDITION, CREATE_DATE FROM DOCUS WHERE NCONDITION = ?1 AND CREATOR = ?2 AND PROGRAMME = ?3'),
('MOCTJ', '01', 4, 'TJ001,TJ006,TJ008', '验退单',
 'SELECT TJ001, TJ006, TJ008 FROM MOCTJ WHERE TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3 AND TJ005 = ?4'),
-- A receipt line by [return date, type, number, line]: name, specification,
-- supplier, quantity, unit, returned, item, returned packages, package
-- unit, package quantity, fixed weight, lot, date, and what remains for a
-- return of that date (other returns dated up to it deducted).
('MOCTI', '09', 4,
 'MB002,MB003,TI005,TI007,TI008,TI011,TI004,TI012,TI010,TI009,MB006,TI013,TI006,AVAIL_QTY,AVAIL_PKG', '委外进货单身',
 'SELECT COALESCE(INVMB.MB002, ''''), COALESCE(INVMB.MB003, ''''), MOCTI.TI005, MOCTI.TI007, MOCTI.TI008, MOCTI.TI011, MOCTI.TI004, MOCTI.TI012, MOCTI.TI010, MOCTI.TI009, COALESCE(INVMB.MB006, ''N''), MOCTI.TI013, MOCTI.TI006,
  MOCTI.TI007 - COALESCE((SELECT SUM(R.TJ006) FROM MOCTJ R WHERE R.TJ009 = ''1'' AND R.TJ002 = MOCTI.TI001 AND R.TJ003 = MOCTI.TI002 AND R.TJ004 = MOCTI.TI003 AND R.TJ005 <= ?1 AND R.TJ005 <> ?1), 0),
  MOCTI.TI009 - COALESCE((SELECT SUM(R.TJ008) FROM MOCTJ R WHERE R.TJ009 = ''1'' AND R.TJ002 = MOCTI.TI001 AND R.TJ003 = MOCTI.TI002 AND R.TJ004 = MOCTI.TI003 AND R.TJ005 <= ?1 AND R.TJ005 <> ?1), 0)
  FROM MOCTI LEFT JOIN INVMB ON INVMB.MB001 = MOCTI.TI004
  WHERE MOCTI.TI001 = ?2 AND MOCTI.TI002 = ?3 AND MOCTI.TI003 = ?4'),
-- An arrival line by the same key: name, specification, supplier, unit,
-- quantity, available, item, available packages, package unit, package
-- quantity, fixed weight, date, available, available packages.
('MOCCD', '02', 4,
 'MB002,MB003,CD005,CD008,CD007,AVAIL_QTY,CD004,AVAIL_PKG,CD010,CD009,MB006,CD006,AVAIL_QTY,AVAIL_PKG', '委外到货单身',
 'SELECT COALESCE(INVMB.MB002, ''''), COALESCE(INVMB.MB003, ''''), MOCCD.CD005, MOCCD.CD008, MOCCD.CD007,
  MOCCD.CD007 - COALESCE((SELECT SUM(R.TJ006) FROM MOCTJ R WHERE R.TJ009 <> ''1'' AND R.TJ002 = MOCCD.CD001 AND R.TJ003 = MOCCD.CD002 AND R.TJ004 = MOCCD.CD003 AND R.TJ005 <= ?1 AND R.TJ005 <> ?1), 0),
  MOCCD.CD004,
  MOCCD.CD009 - COALESCE((SELECT SUM(R.TJ008) FROM MOCTJ R WHERE R.TJ009 <> ''1'' AND R.TJ002 = MOCCD.CD001 AND R.TJ003 = MOCCD.CD002 AND R.TJ004 = MOCCD.CD003 AND R.TJ005 <= ?1 AND R.TJ005 <> ?1), 0),
  MOCCD.CD010, MOCCD.CD009, COALESCE(INVMB.MB006, ''N''), MOCCD.CD006,
  MOCCD.CD007 - COALESCE((SELECT SUM(R.TJ006) FROM MOCTJ R WHERE R.TJ009 <> ''1'' AND R.TJ002 = MOCCD.CD001 AND R.TJ003 = MOCCD.CD002 AND R.TJ004 = MOCCD.CD003 AND R.TJ005 <= ?1 AND R.TJ005 <> ?1), 0),
  MOCCD.CD009 - COALESCE((SELECT SUM(R.TJ008) FROM MOCTJ R WHERE R.TJ009 <> ''1'' AND R.TJ002 = MOCCD.CD001 AND R.TJ003 = MOCCD.CD002 AND R.TJ004 = MOCCD.CD003 AND R.TJ005 <= ?1 AND R.TJ005 <> ?1), 0)
  FROM MOCCD LEFT JOIN INVMB ON INVMB.MB001 = MOCCD.CD004
  WHERE MOCCD.CD001 = ?2 AND MOCCD.CD002 = ?3 AND MOCCD.CD003 = ?4');

-- Lookups: columns and captions are comma-separated and in step; the key
-- columns are what a chosen row gives back first.
INSERT INTO ADMLW (LW001, LW002, LW009, LW004, LW005, LW006, LW007, LW008, LW010, LW003) VALUES
('PURMA', '01', 0, 'MA001,MA002,MA003,MA014', '供应商,简称,全称,状态', '供應商,簡稱,全稱,狀態', 'Supplier,Short name,Full name,Status', 'MA001', '供应商信息查询',
 'SELECT MA001, MA002, MA003, MA014 FROM PURMA ORDER BY MA001'),
('PURMA', '61', 1, 'MA001,MA002,MA003,MA014', '供应商,简称,全称,状态', '供應商,簡稱,全稱,狀態', 'Supplier,Short name,Full name,Status', 'MA001', '供应商信息查询',
 'SELECT MA001, MA002, MA003, MA014 FROM PURMA WHERE MA001 LIKE ?1 || ''%'' ORDER BY MA001'),
('PURMA', '62', 1, 'MA001,MA002,MA003,MA014', '供应商,简称,全称,状态', '供應商,簡稱,全稱,狀態', 'Supplier,Short name,Full name,Status', 'MA001', '供应商信息查询',
 'SELECT MA001, MA002, MA003, MA014 FROM PURMA WHERE MA001 LIKE ''%'' || ?1 || ''%'' OR MA002 LIKE ''%'' || ?1 || ''%'' OR MA003 LIKE ''%'' || ?1 || ''%'' ORDER BY MA001'),
('COPMA', '61', 1, 'MA001,MA002,MA003', '客户,简称,全称', '客戶,簡稱,全稱', 'Customer,Short name,Full name', 'MA001', '客户信息查询',
 'SELECT MA001, MA002, MA003 FROM COPMA WHERE MA001 LIKE ?1 || ''%'' ORDER BY MA001'),
('COPMA', '62', 1, 'MA001,MA002,MA003', '客户,简称,全称', '客戶,簡稱,全稱', 'Customer,Short name,Full name', 'MA001', '客户信息查询',
 'SELECT MA001, MA002, MA003 FROM COPMA WHERE MA001 LIKE ''%'' || ?1 || ''%'' OR MA002 LIKE ''%'' || ?1 || ''%'' ORDER BY MA001'),
('ACTMA', '66', 1, 'MA001,MA002', '科目,名称', '科目,名稱', 'Account,Name', 'MA001', '会计科目查询',
 'SELECT MA001, MA002 FROM ACTMA WHERE MA001 LIKE ?1 || ''%'' ORDER BY MA001'),
('ACTMA', '67', 1, 'MA001,MA002', '科目,名称', '科目,名稱', 'Account,Name', 'MA001', '会计科目查询',
 'SELECT MA001, MA002 FROM ACTMA WHERE MA001 LIKE ''%'' || ?1 || ''%'' OR MA002 LIKE ''%'' || ?1 || ''%'' ORDER BY MA001'),
('INVMB', '63', 1, 'MB001,MB002,MB003,MB004', '品号,品名,规格,单位', '品號,品名,規格,單位', 'Item,Description,Specification,Unit', 'MB001', '品号信息查询',
 'SELECT MB001, MB002, MB003, MB004 FROM INVMB WHERE MB001 LIKE ?1 || ''%'' ORDER BY MB001'),
('INVMB', '64', 1, 'MB001,MB002,MB003,MB004', '品号,品名,规格,单位', '品號,品名,規格,單位', 'Item,Description,Specification,Unit', 'MB001', '品号信息查询',
 'SELECT MB001, MB002, MB003, MB004 FROM INVMB WHERE MB001 LIKE ''%'' || ?1 || ''%'' OR MB002 LIKE ''%'' || ?1 || ''%'' ORDER BY MB001'),
-- Source lines still open for return, of a supplier (when given) and a
-- document type prefix: type, number, line come first.
('MOCTI', '07', 2, 'TI001,TI002,TI003,TI004,MB002,MB003,TI006,TI007,TI008,AVAIL_QTY,TI005',
 '单别,单号,序号,品号,品名,规格,进货日期,进货数量,单位,未退数量,供应商', '單別,單號,序號,品號,品名,規格,進貨日期,進貨數量,單位,未退數量,供應商',
 'Type,Number,Line,Item,Description,Specification,Receipt date,Quantity,Unit,Open,Supplier', 'TI001,TI002,TI003', '验退件未退查询',
 'SELECT MOCTI.TI001, MOCTI.TI002, MOCTI.TI003, MOCTI.TI004, COALESCE(INVMB.MB002, ''''), COALESCE(INVMB.MB003, ''''), MOCTI.TI006, MOCTI.TI007, MOCTI.TI008, MOCTI.TI007 - MOCTI.TI011, MOCTI.TI005
  FROM MOCTI LEFT JOIN INVMB ON INVMB.MB001 = MOCTI.TI004
  WHERE (?1 = '''' OR MOCTI.TI005 = ?1) AND MOCTI.TI001 LIKE ?2 || ''%'' AND MOCTI.TI007 - MOCTI.TI011 > 0
  ORDER BY MOCTI.TI006 DESC, MOCTI.TI001, MOCTI.TI002, MOCTI.TI003'),
('MOCCD', '02', 2, 'CD001,CD002,CD003,CD004,MB002,MB003,CD006,CD007,CD008,AVAIL_QTY,CD005',
 '单别,单号,序号,品号,品名,规格,到货日期,到货数量,单位,未退数量,供应商', '單別,單號,序號,品號,品名,規格,到貨日期,到貨數量,單位,未退數量,供應商',
 'Type,Number,Line,Item,Description,Specification,Arrival date,Quantity,Unit,Open,Supplier', 'CD001,CD002,CD003', '验退件未退查询',
 'SELECT MOCCD.CD001, MOCCD.CD002, MOCCD.CD003, MOCCD.CD004, COALESCE(INVMB.MB002, ''''), COALESCE(INVMB.MB003, ''''), MOCCD.CD006, MOCCD.CD007, MOCCD.CD008, MOCCD.CD007 - MOCCD.CD011, MOCCD.CD005
  FROM MOCCD LEFT JOIN INVMB ON INVMB.MB001 = MOCCD.CD004
  WHERE (?1 = '''' OR MOCCD.CD005 = ?1) AND MOCCD.CD001 LIKE ?2 || ''%'' AND MOCCD.CD007 - MOCCD.CD011 > 0
  ORDER BY MOCCD.CD006 DESC, MOCCD.CD001, MOCCD.CD002, MOCCD.CD003');

-- Named procedures. UNITCONVERT's query answers how many stock units one
-- unit ?2 of item ?1 holds (nothing when the item does not know the unit).
INSERT INTO ADMPR (PR001, PR002, PR004, PR003) VALUES
('SIMPLESQL', 'SIMPLESQL', '只读查询', ''),
('UNITCONVERT', 'UNITCONVERT', '单位换算',
 'SELECT 1.0 FROM INVMB WHERE MB001 = ?1 AND MB004 = ?2 UNION ALL SELECT MD003 / MD004 FROM INVMD WHERE MD001 = ?1 AND MD002 = ?2 AND MD004 <> 0'),
('GETUSERDEFINE', 'GETUSERDEFINE', '读取用户设定', ''),
('SETUSERDEFINE', 'SETUSERDEFINE', '保存用户设定', ''),
('QUERYUDFDATA', 'QUERYUDFDATA', '计算自定义栏位', ''),
('TRANSACTIONSQL', 'TRANSACTIONSQL', '删除附件', ''),
('UPDATEUDFFIELDS', 'UPDATEUDFFIELDS', '登记更新规则', ''),
('DOUPDATEUDFFIELDS', 'DOUPDATEUDFFIELDS', '执行更新规则', '');

-- Update rules of RTNI01: whatever the return did (add P01D, modify P02D,
-- delete P03D), the source receipt line's returned quantities are
-- recomputed from the stored returns, so running a rule twice, or before
-- the return itself is applied, never leaves a wrong figure.
INSERT INTO ADMUR (UR001, UR002, UR003, UR004, UR005, UR006) VALUES
('RTNI01', 'P01D', 1, 'MOCTI', 'TI001,TI002,TI003',
 'UPDATE MOCTI SET TI011 = COALESCE((SELECT SUM(TJ006) FROM MOCTJ WHERE TJ009 = ''1'' AND TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3), 0), TI012 = COALESCE((SELECT SUM(TJ008) FROM MOCTJ WHERE TJ009 = ''1'' AND TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3), 0) WHERE TI001 = ?1 AND TI002 = ?2 AND TI003 = ?3'),
('RTNI01', 'P02D', 1, 'MOCTI', 'TI001,TI002,TI003',
 'UPDATE MOCTI SET TI011 = COALESCE((SELECT SUM(TJ006) FROM MOCTJ WHERE TJ009 = ''1'' AND TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3), 0), TI012 = COALESCE((SELECT SUM(TJ008) FROM MOCTJ WHERE TJ009 = ''1'' AND TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3), 0) WHERE TI001 = ?1 AND TI002 = ?2 AND TI003 = ?3'),
('RTNI01', 'P03D', 1, 'MOCTI', 'TI001,TI002,TI003',
 'UPDATE MOCTI SET TI011 = COALESCE((SELECT SUM(TJ006) FROM MOCTJ WHERE TJ009 = ''1'' AND TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3), 0), TI012 = COALESCE((SELECT SUM(TJ008) FROM MOCTJ WHERE TJ009 = ''1'' AND TJ002 = ?1 AND TJ003 = ?2 AND TJ004 = ?3), 0) WHERE TI001 = ?1 AND TI002 = ?2 AND TI003 = ?3');

-- ---------------------------------------------------- user-defined fields
INSERT INTO ADMMD (MD001, MD002, MD003, MD004, MD005) VALUES
('MOCTJ', 'UDF01', '供应商全称', 'Supplier full name', '供應商全稱'),
('MOCTJ', 'UDF02', '验退单位', 'Returning company', '驗退單位');

INSERT INTO ADMTK (TK001, TK002, TK003) VALUES
('RTNI01UDF', '委外验退自定义栏位', 'Y');
INSERT INTO ADMTL (TL001, TL002, TL003, TL004, TL005, TL006, TL010, TL011, TL012, TL013, TL014) VALUES
('RTNI01UDF', '0001', 'RTNI01', 'MOCTJ', 'Z01', 'UDF01', 'Y', 1, 'TJ001', 'RTNI01U01',
 'SELECT MA003 FROM PURMA WHERE MA001 = ?1'),
('RTNI01UDF', '0002', 'RTNI01', 'MOCTJ', 'Z01', 'UDF02', 'Y', 2, '', 'RTNI01U02',
 'SELECT SP003 FROM ADMSP WHERE SP002 = ''ZKM002'' ORDER BY SP001 DESC LIMIT 1');

-- ------------------------------------------------------------- colour rules
INSERT INTO ADMNH (NH001, NH002, NH003) VALUES
('RTNI01', '委外验退颜色管理',
 '<?xml version="1.0" encoding="UTF-8"?>
<colormanager>
  <head>
    <component name="gdHead" enable="Y">
      <condition value="MOCTJ.TJ006 &gt;= 100" colorx="255" bkcolor="15532027" msg="大量验退"/>
      <condition value="MOCTJ.TJ009 = ''2''" colorx="8388608" bkcolor="''" msg="到货验退"/>
    </component>
    <component name="edTJ006" enable="Y">
      <condition value="MOCTJ.TJ006 &gt;= 100" colorx="255" bkcolor="15532027" msg="大量验退"/>
    </component>
    <component name="edTJ007" enable="N">
      <condition value="MOCTJ.TJ007 &lt;&gt; ''''" colorx="16711680" bkcolor="''" msg="有备注"/>
    </component>
  </head>
</colormanager>');

-- ---------------------------------------------------------- voucher formats
INSERT INTO WARRANT (NT001, NT002, NT003) VALUES
('RTNR01', '标准格式', 'RTNR01_STD'),
('RTNR01', '简易格式', 'RTNR01_SHORT'),
('RTNR01', '含包装格式', 'RTNR01_PKG');

-- ----------------------------------------------------------- number sizes
INSERT INTO NUMFD (FD001, FD002, FD003, FD004) VALUES
('MOCTJ', 'TJ006', 16, 3),
('MOCTJ', 'TJ008', 16, 3),
('MOCTJ', 'FLAG', 3, 0),
('MOCTI', 'TI007', 16, 3),
('MOCCD', 'CD007', 16, 3);

-- --------------------------------------------------------------- currencies
INSERT INTO CMSMF (MF001, MF002, MF003, MF004, MF005, MF006) VALUES
('RMB', '人民币', 4, 2, 4, 2),
('USD', '美元', 4, 2, 4, 2),
('NTD', '新台币', 3, 0, 3, 0),
('JPY', '日元', 2, 0, 2, 0);

-- ------------------------------------------------------------------- phrases
INSERT INTO CMSPH (PH001, PH002, PH003) VALUES
('', 1, '外观不良'),
('', 2, '尺寸不符'),
('', 3, '数量短少'),
('', 4, '包装破损'),
('', 5, '规格错误'),
('', 6, '品质检验不合格'),
('', 7, '超过交期'),
('', 8, '客户退回');

-- ------------------------------------------------------ links and printing
INSERT INTO ADMMR (MR001, MR002, MR003, MR004, MR005, MR006, MR007, MR008, MR009, MR010, MR011) VALUES
('RTNI01', '', '', 'TJ001', '', 'PURI01', 'MA001', '', '', '', 1),
('RTNI01', '', '', 'TJ101C', '', 'INVI01', 'MB001', '', '', '', 2);

INSERT INTO F2LINK (LK001, LK002, LK003, LK004, LK005) VALUES
('1', 'PURMA', 'MA001', 'PURMA', '01'),
('1', 'INVMB', 'MB001', 'INVMB', '63');

INSERT INTO ADMMQ (MQ001, MQ002, MQ003, MQ004) VALUES
('RTNR01', '****', 'N', '1');
